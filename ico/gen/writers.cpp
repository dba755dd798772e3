#include "writers.h"

#include <gif_lib.h>

#include <QBuffer>
#include <QPainter>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_map>
#include <vector>

namespace pelzo::ico {
namespace {

constexpr int kTransparentIndex = 255;
constexpr int kMaxColours = 255;
constexpr quint32 kTransparent = 0x00000000u;  // opaque colours always carry 0xff in the top byte

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

[[noreturn]] void fail(const char* step, int error)
{
    const char* why = GifErrorString(error);
    throw std::runtime_error(std::string("giflib: ") + step + ": " + (why ? why : "unknown error"));
}

// The global palette, and the palette index of every opaque pixel of the clip in order.
struct Coded {
    std::array<GifColorType, 256> colours{};
    std::vector<GifByteType> opaque;
};

GifColorType gifColour(quint32 rgb) { return {GifByteType(qRed(rgb)), GifByteType(qGreen(rgb)), GifByteType(qBlue(rgb))}; }

Coded codeColours(const std::vector<std::vector<quint32>>& frames, QColor matte)
{
    Coded coded;
    coded.colours.fill(gifColour(matte.rgb()));
    std::unordered_map<quint32, GifByteType> exact;
    bool few = true;
    std::vector<GifByteType> r, g, b;
    for (const auto& px : frames)
        for (quint32 c : px) {
            if (c == kTransparent) continue;
            r.push_back(GifByteType(qRed(c)));
            g.push_back(GifByteType(qGreen(c)));
            b.push_back(GifByteType(qBlue(c)));
            if (!few || exact.count(c)) continue;
            if (exact.size() == size_t(kMaxColours)) {
                few = false;
                continue;
            }
            coded.colours[exact.size()] = gifColour(c);
            exact.emplace(c, GifByteType(exact.size()));
        }
    coded.opaque.resize(r.size());
    if (few) {
        // Few enough: every colour is kept exactly.
        for (size_t i = 0; i < r.size(); ++i) coded.opaque[i] = exact.at(qRgb(r[i], g[i], b[i]));
        return coded;
    }
    int size = kMaxColours;
    if (GifQuantizeBuffer(unsigned(r.size()), 1, &size, r.data(), g.data(), b.data(), coded.opaque.data(),
                          coded.colours.data()) != GIF_OK)
        throw std::runtime_error("giflib: the colours cannot be quantised");
    for (int i = std::max(size, 0); i < 256; ++i) coded.colours[size_t(i)] = gifColour(matte.rgb());
    return coded;
}

int appendBytes(GifFileType* gif, const GifByteType* data, int length)
{
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        EGifCloseFile(gif, &error);
    }
};
using GifWriter = std::unique_ptr<GifFileType, GifCloser>;

void putLoopForever(GifFileType* gif)
{
    static const GifByteType loop[3] = {1, 0, 0};  // sub-block 1: loop count 0 = for ever
    if (EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE) != GIF_OK ||
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0") != GIF_OK || EGifPutExtensionBlock(gif, 3, loop) != GIF_OK ||
        EGifPutExtensionTrailer(gif) != GIF_OK)
        fail("loop extension", gif->Error);
}

void putFrame(GifFileType* gif, std::vector<GifByteType>& indices, int width, int height, int delayCs)
{
    // Dispose to background so every frame starts clean, with transparency.
    const GraphicsControlBlock gcb{DISPOSE_BACKGROUND, false, delayCs, kTransparentIndex};
    GifByteType control[4];
    const size_t length = EGifGCBToExtension(&gcb, control);
    if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), control) != GIF_OK)
        fail("graphic control", gif->Error);
    if (EGifPutImageDesc(gif, 0, 0, width, height, false, nullptr) != GIF_OK) fail("image descriptor", gif->Error);
    if (EGifPutLine(gif, indices.data(), int(indices.size())) != GIF_OK) fail("image data", gif->Error);
}

}  // namespace

QByteArray encodeGif(std::span<const QImage> frames, int delayMs, QColor matte)
{
    if (frames.empty() || frames[0].isNull())
        throw std::invalid_argument("a clip needs at least one frame");
    const int width = frames[0].width();
    const int height = frames[0].height();
    std::vector<std::vector<quint32>> flat;
    for (const QImage& f : frames) {
        if (f.size() != frames[0].size())
            throw std::invalid_argument("all frames of a clip need the same size");
        flat.push_back(flatten(f, matte));
    }
    const Coded coded = codeColours(flat, matte);

    QByteArray out;
    int error = 0;
    GifWriter gif(EGifOpen(&out, appendBytes, &error));
    if (!gif) fail("open", error);
    EGifSetGifVersion(gif.get(), true);
    const std::unique_ptr<ColorMapObject, decltype(&GifFreeMapObject)> map(
        GifMakeMapObject(256, coded.colours.data()), GifFreeMapObject);
    if (!map) throw std::bad_alloc();
    if (EGifPutScreenDesc(gif.get(), width, height, 8, kTransparentIndex, map.get()) != GIF_OK)
        fail("screen descriptor", gif->Error);
    putLoopForever(gif.get());

    const int delayCs = std::max(1, (delayMs + 5) / 10);
    std::vector<GifByteType> indices(size_t(width) * size_t(height));
    size_t next = 0;  // into coded.opaque
    for (const auto& px : flat) {
        for (size_t i = 0; i < px.size(); ++i)
            indices[i] = px[i] == kTransparent ? GifByteType(kTransparentIndex) : coded.opaque[next++];
        putFrame(gif.get(), indices, width, height, delayCs);
    }
    if (EGifCloseFile(gif.release(), &error) != GIF_OK) fail("close", error);
    return out;
}

QByteArray encodeBmp(const QImage& image, QColor background)
{
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(background);
    {
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    if (!flat.save(&buffer, "BMP")) return {};
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
