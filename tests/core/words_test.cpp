#include "meter/words.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include <QLocale>

using namespace pelzo;

TEST(ReadingWord, DecodesFields)
{
    struct Case {
        uint32_t word;
        const char *level, *range, *weighting, *speed;
    };
    const Case cases[] = {
        {0x2D2A, "59.8", "3", "C", "FAST"},
        {0x0000, "30.0", "0", "A", "FAST"},
        {0x5BFF, "132.3", "6", "A", "SLOW"},
        {0x1C00 | 700, "100.0", "7", "A", "FAST"},
        {0x8000 | 10, "31.0", "0", "A", "FAST"},  // bit 15 is not part of any field
    };
    for (const Case& c : cases) {
        ReadingTexts t;
        DecodeReadingFields(c.word, t);
        EXPECT_EQ(t.Level, QLatin1String(c.level)) << std::hex << c.word;
        EXPECT_EQ(t.Range, QLatin1String(c.range)) << std::hex << c.word;
        EXPECT_EQ(t.Weighting, QLatin1String(c.weighting)) << std::hex << c.word;
        EXPECT_EQ(t.Speed, QLatin1String(c.speed)) << std::hex << c.word;
    }
}

TEST(SampleWord, ComposesAndDecodesTime)
{
    EXPECT_EQ(ComposeSample(0x2D2A, 14, 25, 36), 0x73322D2Au);
    // Out-of-range clock values are held; bit 15 of the reading forces an odd second.
    EXPECT_EQ(ComposeSample(0, 30, 70, 80), ComposeSample(0, 23, 59, 59));
    EXPECT_EQ(SampleTime(ComposeSample(0x8000, 1, 2, 36)), QTime(1, 2, 37));

    const struct {
        uint32_t word;
        QTime time;
    } cases[] = {
        {0x73322D2A, QTime(14, 25, 36)},
        {0xFFFFFFFF, QTime(23, 59, 59)},
        {0xC0000000, QTime(23, 0, 0)},
        {0x00000000, QTime(0, 0, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(SampleTime(c.word), c.time) << std::hex << c.word;

    ReadingTexts t;
    DecodeStored(0xFFFFFFFF, t);
    EXPECT_EQ(t.Level, "132.3");
    EXPECT_EQ(t.Range, "7");
    EXPECT_EQ(t.Weighting, "C");
    EXPECT_EQ(t.Speed, "SLOW");
    EXPECT_EQ(t.Time, LongTimeText(QTime(23, 59, 59)));
    EXPECT_TRUE(t.Date.isEmpty());
}

TEST(NumberTexts, TenthsIntAndCut)
{
    EXPECT_EQ(TenthsText(300), "30.0");
    EXPECT_EQ(TenthsText(1000), "100.0");
    EXPECT_EQ(TenthsText(1323), "132.3");
    EXPECT_EQ(IntText(-42), "-42");
    EXPECT_EQ(IntText(0), "0");

    const struct {
        float x;
        int n;
        const char* out;
    } cuts[] = {
        {3.7f, 2, "3.70"}, {1.999f, 2, "1.99"}, {12.5f, 2, "12.5"}, {512.f, 3, "512"},
        {1024.f, 3, "1024"}, {0.5f, 2, "0.5"}, {0.976f, 3, "0.976"},
    };
    for (const auto& c : cuts) EXPECT_EQ(CutDecimals(c.x, c.n), QLatin1String(c.out)) << c.x;
}

TEST(NumberTexts, DecimalPointIgnoresLocale)
{
    // Both Qt's default locale and the C library's LC_NUMERIC say ",".
    const std::string before = std::setlocale(LC_NUMERIC, nullptr);
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "de_DE.UTF-8 is not generated";
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(CutDecimals(3.7f, 2), "3.70");
    EXPECT_EQ(CutDecimals(0.03125f, 2), "0.03");
    EXPECT_EQ(ShortestNumberText(1234.5), "1234.5");
    float v = 0;
    EXPECT_TRUE(ParseLevel(" 59.8 ", v));
    EXPECT_FLOAT_EQ(v, 59.8f);
    EXPECT_FALSE(ParseLevel("59,8x", v));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_NUMERIC, before.c_str());
}

TEST(NumberTexts, ShortestTextReadsBack)
{
    const struct {
        double x;
        const char* text;
    } cases[] = {{59.8, "59.8"}, {0.1 + 0.2, "0.30000000000000004"}, {40669, "40669"}, {100000, "100000"},
                 {-0.5, "-0.5"}, {1e20, "1e+20"}, {1.5e-7, "1.5e-07"}, {0, "0"}};
    for (const auto& c : cases) EXPECT_EQ(ShortestNumberText(c.x), QLatin1String(c.text)) << c.text;
}
