// The GIF and BMP writers, checked by decoding their output with Qt's own readers.
#include "writers.h"

#include <QBuffer>
#include <QImageReader>

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using pelzo::ico::encodeBmp;
using pelzo::ico::encodeGif;

std::vector<QImage> decodeAll(QByteArray bytes, QByteArray format)
{
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    std::vector<QImage> out;
    while (reader.canRead()) {
        QImage img = reader.read();
        if (img.isNull())
            break;
        out.push_back(img.convertToFormat(QImage::Format_ARGB32));
    }
    return out;
}

// Noise from a fixed set of opaque colours: no repeats to compress, so the code table fills
// and is cleared many times.
QImage noise(int w, int h, int colours, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<QRgb> palette;
    for (int i = 0; i < colours; ++i)
        palette.push_back(qRgb(int(rng() % 256), int(rng() % 256), int(rng() % 256)));
    QImage img(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, palette[rng() % palette.size()]);
    return img;
}

TEST(GifEncoder, FramesWithFewColoursComeBackExactly)
{
    struct Case {
        int w, h, colours;
    };
    for (const Case c : {Case{1, 1, 1}, Case{3, 2, 2}, Case{300, 200, 255}, Case{64, 64, 17}, Case{1000, 7, 200}}) {
        std::vector<QImage> frames{noise(c.w, c.h, c.colours, 1), noise(c.w, c.h, c.colours, 1)};
        frames[1].setPixel(0, 0, frames[0].pixel(c.w - 1, c.h - 1));
        const auto decoded = decodeAll(encodeGif(frames, 80, Qt::white), "gif");
        ASSERT_EQ(decoded.size(), frames.size()) << c.w << "x" << c.h;
        for (size_t i = 0; i < frames.size(); ++i)
            EXPECT_EQ(decoded[i], frames[i]) << c.w << "x" << c.h << " frame " << i;
    }
}

TEST(GifEncoder, LongRunsOfOneColourDecode)
{
    QImage flat(400, 300, QImage::Format_ARGB32);
    flat.fill(qRgb(10, 20, 30));
    const auto decoded = decodeAll(encodeGif(std::vector<QImage>{flat}, 80, Qt::white), "gif");
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(decoded[0], flat);
}

TEST(GifEncoder, ManyColoursAreQuantisedClosely)
{
    QImage ramp(256, 64, QImage::Format_ARGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x)
            ramp.setPixel(x, y, qRgb(x, y * 4, 255 - x));
    const auto decoded = decodeAll(encodeGif(std::vector<QImage>{ramp}, 80, Qt::white), "gif");
    ASSERT_EQ(decoded.size(), 1u);
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) {
            const QRgb a = ramp.pixel(x, y), b = decoded[0].pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    // giflib's quantiser works on 5 bits a channel: one step of 8 either way, and the mean.
    EXPECT_LE(worst, 32);
}

TEST(GifEncoder, ClearPixelsBecomeTransparentAndEdgesMeetTheMatte)
{
    QImage img(4, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, qRgba(0, 0, 0, 0));
    img.setPixel(1, 0, qRgba(255, 0, 0, 100));  // under half: dropped
    img.setPixel(2, 0, qRgba(0, 0, 0, 128));    // half black over white matte: grey
    img.setPixel(3, 0, qRgba(0, 0, 255, 255));
    const auto decoded = decodeAll(encodeGif(std::vector<QImage>{img}, 80, Qt::white), "gif");
    ASSERT_EQ(decoded.size(), 1u);
    EXPECT_EQ(qAlpha(decoded[0].pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(decoded[0].pixel(1, 0)), 0);
    EXPECT_EQ(decoded[0].pixel(2, 0), qRgb(127, 127, 127));
    EXPECT_EQ(decoded[0].pixel(3, 0), qRgb(0, 0, 255));
}

TEST(GifEncoder, RejectsEmptyAndMixedSizeClips)
{
    EXPECT_THROW(encodeGif(std::vector<QImage>{}, 80, Qt::white), std::invalid_argument);
    const std::vector<QImage> mixed{noise(4, 4, 2, 1), noise(5, 4, 2, 1)};
    EXPECT_THROW(encodeGif(mixed, 80, Qt::white), std::invalid_argument);
}

TEST(BmpEncoder, LaysThePictureOverTheGivenColour)
{
    const QColor strip(0, 102, 204);
    QImage img(5, 3, QImage::Format_ARGB32);  // odd width, several rows: row order matters
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            img.setPixel(x, y, qRgba(x * 50, y * 100, 7, (x + y) % 3 == 0 ? 0 : 255));
    const auto decoded = decodeAll(encodeBmp(img, strip), "bmp");
    ASSERT_EQ(decoded.size(), 1u);
    ASSERT_EQ(decoded[0].size(), img.size());
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x) {
            const QRgb want = qAlpha(img.pixel(x, y)) == 255 ? img.pixel(x, y) : strip.rgb();
            EXPECT_EQ(decoded[0].pixel(x, y), want) << x << "," << y;
        }
}

}  // namespace
