// The pictures and clips the build draws into the run folder: present, of the sizes the windows
// lay out, decodable, and animated where the progress windows expect a clip.
#include <QColor>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

QString icoPath(const char* name) { return QStringLiteral(PELZO_ICO_DIR "/") + QString::fromLatin1(name); }

struct Picture {
    const char* name;
    const char* format;
    int width, height;
};

const Picture kPictures[] = {
    {"min.bmp", "bmp", 16, 14},        {"max.bmp", "bmp", 16, 14},
    {"close.png", "png", 16, 14},      {"minimise.png", "png", 16, 14},
    {"toolbar0.png", "png", 72, 72},   {"toolbar1.png", "png", 72, 72},
    {"toolbar2.png", "png", 72, 72},   {"toolbar3.png", "png", 72, 72},
    {"toolbar4.png", "png", 72, 72},   {"toolbar5.png", "png", 72, 72},
    {"toolbar6.png", "png", 72, 72},   {"toolbar7.png", "png", 72, 72},
    {"logo.png", "png", 153, 49},      {"scale.png", "png", 250, 65},
    {"banner.png", "png", 433, 193},   {"pelzo.png", "png", 256, 256},
    {"pelzo-48.png", "png", 48, 48},   {"exchange.gif", "gif", 272, 60},
    {"Open.gif", "gif", 260, 40},      {"palmpilot.gif", "gif", 272, 60},
};

// Readable and stable names in the test list.
void PrintTo(const Picture& p, std::ostream* os) { *os << p.name; }

class PictureFile : public testing::TestWithParam<Picture> {};

TEST_P(PictureFile, ExistsWithItsSizeAndDecodes)
{
    const Picture& pic = GetParam();
    ASSERT_TRUE(QFileInfo::exists(icoPath(pic.name))) << pic.name;
    QImageReader reader(icoPath(pic.name));
    reader.setDecideFormatFromContent(true);
    ASSERT_TRUE(reader.canRead()) << pic.name << ": " << reader.errorString().toStdString();
    EXPECT_EQ(reader.format(), QByteArray(pic.format));
    const QImage img = reader.read();
    ASSERT_FALSE(img.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(img.size(), QSize(pic.width, pic.height));
}

INSTANTIATE_TEST_SUITE_P(Ico, PictureFile, testing::ValuesIn(kPictures),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& c : n)
                                 if (c == '.' || c == '-')
                                     c = '_';
                             return n;
                         });

struct Clip {
    const char* name;
    int frames;  // the progress windows stop on the last one
};

void PrintTo(const Clip& c, std::ostream* os) { *os << c.name; }

class ClipFile : public testing::TestWithParam<Clip> {};

TEST_P(ClipFile, LoopsForeverWithDistinctTimedFrames)
{
    const Clip& clip = GetParam();
    QImageReader reader(icoPath(clip.name));
    ASSERT_TRUE(reader.supportsAnimation());
    EXPECT_EQ(reader.imageCount(), clip.frames);
    EXPECT_EQ(reader.loopCount(), -1) << "loops forever";
    QImage first, previous;
    int decoded = 0, changes = 0;
    while (reader.canRead()) {
        const QImage frame = reader.read();
        const int delay = reader.nextImageDelay();  // of the frame just read
        ASSERT_FALSE(frame.isNull()) << "frame " << decoded << ": " << reader.errorString().toStdString();
        EXPECT_EQ(delay, 80) << "frame " << decoded;
        if (decoded == 0)
            first = frame;
        else if (frame != previous)
            ++changes;
        previous = frame;
        ++decoded;
    }
    EXPECT_EQ(decoded, clip.frames);
    EXPECT_GE(changes, clip.frames / 2) << "the clip should move";
    // A transparent background, so the clip sits on any dialog colour.
    EXPECT_EQ(qAlpha(first.pixel(0, 0)), 0);
}

INSTANTIATE_TEST_SUITE_P(Ico, ClipFile,
                         testing::Values(Clip{"exchange.gif", 25}, Clip{"Open.gif", 17},
                                         Clip{"palmpilot.gif", 20}),
                         [](const auto& info) {
                             const std::string n = info.param.name;
                             return n.substr(0, n.find('.'));
                         });

TEST(IcoGlyphs, ButtonBitmapsShowAWhiteGlyphOnTheStripBlue)
{
    // A BMP carries no alpha: the glyph is laid over the title strip's blue it is shown on.
    for (const char* name : {"min.bmp", "max.bmp"}) {
        const QImage img(icoPath(name));
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(img.pixel(0, 0), qRgb(0, 102, 204)) << name;
        int white = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                white += img.pixel(x, y) == qRgba(255, 255, 255, 255);
        EXPECT_GT(white, 20) << name;
    }
    EXPECT_NE(QImage(icoPath("min.bmp")), QImage(icoPath("max.bmp")));
}

TEST(IcoPictures, ToolbarIconsLogoAndScaleHaveTransparentCorners)
{
    for (const char* name : {"toolbar0.png", "toolbar3.png", "toolbar7.png", "logo.png", "scale.png", "pelzo.png"}) {
        const QImage img(icoPath(name));
        ASSERT_FALSE(img.isNull()) << name;
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << name;
        EXPECT_EQ(qAlpha(img.pixel(img.width() - 1, 0)), 0) << name;
    }
}

TEST(IcoPictures, BannerKeepsTheModelLabelAreaLightAndOpaque)
{
    // The about window writes its model labels in navy over (24..200, 120..140).
    const QImage img = QImage(icoPath("banner.png")).convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    for (int y = 118; y < 142; y += 2) {
        for (int x = 22; x < 200; x += 2) {
            const QColor c = QColor::fromRgba(img.pixel(x, y));
            ASSERT_EQ(c.alpha(), 255) << x << "," << y;
            ASSERT_GT(c.lightness(), 200) << x << "," << y;
        }
    }
}

}  // namespace
