#include "encoders.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>
#include <unordered_map>
#include <vector>

namespace pelzo::ico {
namespace {

constexpr int kTransparentIndex = 255;
constexpr int kMaxColours = 255;
constexpr quint32 kTransparent = 0x00000000u;  // opaque colours always carry 0xff in the top byte

void put16(QByteArray& out, int v)
{
    out.append(char(v & 0xff));
    out.append(char((v >> 8) & 0xff));
}

void put32(QByteArray& out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xff));
}

// LSB-first bit packer used by the LZW coder.
class BitWriter {
public:
    void put(int code, int width)
    {
        acc_ |= quint32(code) << bits_;
        bits_ += width;
        while (bits_ >= 8) {
            out_.append(char(acc_ & 0xff));
            acc_ >>= 8;
            bits_ -= 8;
        }
    }
    QByteArray finish()
    {
        if (bits_ > 0)
            out_.append(char(acc_ & 0xff));
        acc_ = 0;
        bits_ = 0;
        return out_;
    }

private:
    QByteArray out_;
    quint32 acc_ = 0;
    int bits_ = 0;
};

// Flattens a frame to opaque 0xffRRGGBB pixels over the matte, or kTransparent.
std::vector<quint32> flatten(const QImage& frame, QColor matte)
{
    const QImage img = frame.convertToFormat(QImage::Format_ARGB32);
    std::vector<quint32> px;
    px.reserve(size_t(img.width()) * size_t(img.height()));
    const int mr = matte.red(), mg = matte.green(), mb = matte.blue();
    for (int y = 0; y < img.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int a = qAlpha(c);
            if (a < 128) {
                px.push_back(kTransparent);
                continue;
            }
            const auto mix = [a](int v, int m) { return (v * a + m * (255 - a) + 127) / 255; };
            px.push_back(qRgb(mix(qRed(c), mr), mix(qGreen(c), mg), mix(qBlue(c), mb)));
        }
    }
    return px;
}

struct ColourCount {
    quint32 rgb;
    quint64 count;
};

int channel(quint32 rgb, int ch) { return int((rgb >> (16 - 8 * ch)) & 0xff); }

struct Box {
    size_t begin, end;  // range in the colour list
    quint64 population;
    int widestChannel;
    int span;
};

Box makeBox(const std::vector<ColourCount>& colours, size_t begin, size_t end)
{
    Box box{begin, end, 0, 0, -1};
    std::array<int, 3> lo{255, 255, 255}, hi{0, 0, 0};
    for (size_t i = begin; i < end; ++i) {
        box.population += colours[i].count;
        for (int ch = 0; ch < 3; ++ch) {
            lo[ch] = std::min(lo[ch], channel(colours[i].rgb, ch));
            hi[ch] = std::max(hi[ch], channel(colours[i].rgb, ch));
        }
    }
    for (int ch = 0; ch < 3; ++ch) {
        if (hi[ch] - lo[ch] > box.span) {
            box.span = hi[ch] - lo[ch];
            box.widestChannel = ch;
        }
    }
    return box;
}

quint32 meanColour(const std::vector<ColourCount>& colours, const Box& box)
{
    std::array<quint64, 3> sum{};
    for (size_t i = box.begin; i < box.end; ++i)
        for (int ch = 0; ch < 3; ++ch)
            sum[ch] += quint64(channel(colours[i].rgb, ch)) * colours[i].count;
    const auto avg = [&](int ch) { return int((sum[ch] + box.population / 2) / box.population); };
    return qRgb(avg(0), avg(1), avg(2));
}

// Median cut; keeps the colours exactly when there are few enough.
std::vector<quint32> buildPalette(std::vector<ColourCount> colours)
{
    std::vector<quint32> palette;
    if (colours.size() <= size_t(kMaxColours)) {
        for (const auto& c : colours)
            palette.push_back(c.rgb);
        return palette;
    }
    std::vector<Box> boxes{makeBox(colours, 0, colours.size())};
    while (boxes.size() < size_t(kMaxColours)) {
        // Split the box whose spread matters most: wide and well populated.
        auto score = [](const Box& b) {
            return b.end - b.begin < 2 ? -1.0 : double(b.span) * std::sqrt(double(b.population));
        };
        auto it = std::max_element(boxes.begin(), boxes.end(),
                                   [&](const Box& a, const Box& b) { return score(a) < score(b); });
        if (score(*it) <= 0)
            break;
        const Box box = *it;
        const int ch = box.widestChannel;
        std::sort(colours.begin() + long(box.begin), colours.begin() + long(box.end),
                  [ch](const ColourCount& a, const ColourCount& b) {
                      return channel(a.rgb, ch) < channel(b.rgb, ch);
                  });
        quint64 half = 0;
        size_t cut = box.begin;
        while (cut < box.end - 1 && half + colours[cut].count <= box.population / 2)
            half += colours[cut++].count;
        cut = std::clamp(cut, box.begin + 1, box.end - 1);
        *it = makeBox(colours, box.begin, cut);
        boxes.push_back(makeBox(colours, cut, box.end));
    }
    for (const auto& b : boxes)
        palette.push_back(meanColour(colours, b));
    return palette;
}

int nearest(const std::vector<quint32>& palette, quint32 rgb)
{
    int best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = channel(rgb, 0) - channel(palette[i], 0);
        const long dg = channel(rgb, 1) - channel(palette[i], 1);
        const long db = channel(rgb, 2) - channel(palette[i], 2);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = int(i);
        }
    }
    return best;
}

void appendSubBlocks(QByteArray& out, const QByteArray& data)
{
    for (qsizetype pos = 0; pos < data.size(); pos += 255) {
        const qsizetype n = std::min<qsizetype>(255, data.size() - pos);
        out.append(char(n));
        out.append(data.constData() + pos, n);
    }
    out.append(char(0));
}

void appendLoopExtension(QByteArray& out)
{
    out.append("\x21\xff\x0b", 3);
    out.append("NETSCAPE2.0", 11);
    out.append("\x03\x01", 2);
    put16(out, 0);  // loop forever
    out.append(char(0));
}

void appendFrame(QByteArray& out, std::span<const quint8> indices, int width, int height, int delayCs)
{
    // Graphic control: dispose to background so every frame starts clean, with transparency.
    out.append("\x21\xf9\x04", 3);
    out.append(char((2 << 2) | 1));
    put16(out, delayCs);
    out.append(char(kTransparentIndex));
    out.append(char(0));
    // Image descriptor: the whole screen, no local palette, not interlaced.
    out.append(char(0x2c));
    put16(out, 0);
    put16(out, 0);
    put16(out, width);
    put16(out, height);
    out.append(char(0));
    out.append(char(8));
    appendSubBlocks(out, lzwCompress(indices, 8));
}

}  // namespace

QByteArray lzwCompress(std::span<const quint8> indices, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    BitWriter bits;
    int width = minCodeSize + 1;
    int next = endCode + 1;
    std::unordered_map<quint32, int> table;
    table.reserve(4096);
    bits.put(clearCode, width);
    if (indices.empty()) {
        bits.put(endCode, width);
        return bits.finish();
    }
    int prefix = indices[0];
    for (size_t i = 1; i < indices.size(); ++i) {
        const int k = indices[i];
        const quint32 key = (quint32(prefix) << 8) | quint32(k);
        if (const auto it = table.find(key); it != table.end()) {
            prefix = it->second;
            continue;
        }
        bits.put(prefix, width);
        table.emplace(key, next++);
        // The decoder learns each code one step later, hence "greater than".
        if (next > (1 << width) && width < 12)
            ++width;
        if (next == 4096) {
            bits.put(clearCode, width);
            table.clear();
            width = minCodeSize + 1;
            next = endCode + 1;
        }
        prefix = k;
    }
    bits.put(prefix, width);
    bits.put(endCode, width);
    return bits.finish();
}

QByteArray encodeGif(std::span<const QImage> frames, int delayMs, QColor matte)
{
    if (frames.empty() || frames[0].isNull())
        throw std::invalid_argument("a clip needs at least one frame");
    const int width = frames[0].width();
    const int height = frames[0].height();

    std::vector<std::vector<quint32>> flat;
    std::unordered_map<quint32, quint64> histogram;
    for (const QImage& f : frames) {
        if (f.size() != frames[0].size())
            throw std::invalid_argument("all frames of a clip need the same size");
        flat.push_back(flatten(f, matte));
        for (quint32 c : flat.back())
            if (c != kTransparent)
                ++histogram[c];
    }
    std::vector<ColourCount> colours;
    colours.reserve(histogram.size());
    for (const auto& [rgb, n] : histogram)
        colours.push_back({rgb, n});
    std::sort(colours.begin(), colours.end(), [](auto& a, auto& b) { return a.rgb < b.rgb; });
    const std::vector<quint32> palette = buildPalette(std::move(colours));

    QByteArray out("GIF89a");
    put16(out, width);
    put16(out, height);
    out.append(char(0xf7));  // global table of 256 entries, 8-bit colour resolution
    out.append(char(kTransparentIndex));
    out.append(char(0));
    for (int i = 0; i < 256; ++i) {
        const quint32 c = i < int(palette.size()) ? palette[size_t(i)] : matte.rgb();
        out.append(char(channel(c, 0)));
        out.append(char(channel(c, 1)));
        out.append(char(channel(c, 2)));
    }
    appendLoopExtension(out);

    std::unordered_map<quint32, quint8> lookup;
    const int delayCs = std::max(1, (delayMs + 5) / 10);
    std::vector<quint8> indices(size_t(width) * size_t(height));
    for (const auto& px : flat) {
        for (size_t i = 0; i < px.size(); ++i) {
            if (px[i] == kTransparent) {
                indices[i] = kTransparentIndex;
                continue;
            }
            auto [it, fresh] = lookup.try_emplace(px[i], 0);
            if (fresh)
                it->second = quint8(nearest(palette, px[i]));
            indices[i] = it->second;
        }
        appendFrame(out, indices, width, height, delayCs);
    }
    out.append(char(0x3b));
    return out;
}

QByteArray encodeBmp32(const QImage& image, QColor hidden)
{
    const QImage img = image.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    constexpr int kFileHeader = 14, kInfoHeader = 108;
    const quint32 pixelBytes = quint32(w) * quint32(h) * 4;
    QByteArray out("BM");
    put32(out, kFileHeader + kInfoHeader + pixelBytes);
    put32(out, 0);
    put32(out, kFileHeader + kInfoHeader);
    // BITMAPV4HEADER
    put32(out, kInfoHeader);
    put32(out, quint32(w));
    put32(out, quint32(h));  // positive: bottom-up rows
    put16(out, 1);
    put16(out, 32);
    put32(out, 3);  // BI_BITFIELDS
    put32(out, pixelBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    put32(out, 0x00ff0000u);
    put32(out, 0x0000ff00u);
    put32(out, 0x000000ffu);
    put32(out, 0xff000000u);
    put32(out, 0x73524742u);  // 'sRGB'
    for (int i = 0; i < 12; ++i)  // endpoints and gamma, unused with sRGB
        put32(out, 0);
    const quint32 hiddenRgb = hidden.rgb() & 0x00ffffffu;
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            put32(out, qAlpha(line[x]) == 0 ? hiddenRgb : quint32(line[x]));
    }
    return out;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(bytes) != bytes.size())
        return false;
    return file.commit();
}

}  // namespace pelzo::ico
