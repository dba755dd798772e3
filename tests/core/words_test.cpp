#include "meter/words.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include <QLocale>

#include <optional>

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

TEST(ReadingWord, InverseHalfRoundTrips)
{
    // Every level code gives a text that codes back to it, and a word that decodes to its fields.
    for (uint32_t code = 0; code <= LevelCodeMask; ++code) {
        const QString text = TenthsText(int(code) + LevelTenthsBase);
        ASSERT_EQ(LevelCodeOfText(text), code) << text.toStdString();
        const uint32_t w = ComposeReading(code, int(code % 8), code & 1, code & 2);
        ASSERT_EQ(LevelCodeOf(w), code);
        ASSERT_EQ(RangeIndexOf(w), int(code % 8));
        ASSERT_EQ(CWeightingOf(w), bool(code & 1));
        ASSERT_EQ(SlowSpeedOf(w), bool(code & 2));
    }
    EXPECT_EQ(ComposeReading(598 - 300, 3, true, false), 0x2D2Au);
    EXPECT_EQ(ComposeReading(LevelCodeMask, 7, true, true), 0x7FFFu);
    EXPECT_EQ(ComposeSample(0x2D2A, QTime(14, 25, 36)), 0x73322D2Au);
    EXPECT_EQ(SampleTime(ComposeSample(0, QTime(23, 59, 58))), QTime(23, 59, 58));
}

TEST(ReadingWord, LevelCodeEdges)
{
    const struct {
        const char* text;
        std::optional<uint32_t> code;
    } cases[] = {
        {"30.0", 0},          {"30", 0},           {" 59.8 ", 298},        {"132.3", 1023},
        {"29.9", std::nullopt}, {"132.4", std::nullopt}, {"59.85", std::nullopt}, {"-30.0", std::nullopt},
        {"1e30", std::nullopt}, {"nan", std::nullopt},   {"", std::nullopt},      {"59,8", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(LevelCodeOfText(QLatin1String(c.text)), c.code) << c.text;
    EXPECT_EQ(LevelCodeOfLevel(59.8f), 298u);
    EXPECT_EQ(LevelCodeOfLevel(float(1e30)), std::nullopt);
}

TEST(ReadingWord, TimeAndDateTextsReadBack)
{
    for (const QTime t : {QTime(0, 0, 0), QTime(9, 5, 7), QTime(23, 59, 59)})
        EXPECT_EQ(ParseTimeText(LongTimeText(t)), t) << t.toString().toStdString();
    for (const QDate d : {QDate(2010, 1, 1), QDate(2024, 2, 29), QDate(2035, 12, 31)})
        EXPECT_EQ(ParseDateText(ShortDateText(d)), d) << d.toString().toStdString();
    EXPECT_EQ(ParseTimeText(QStringLiteral(" 1:02:03 ")), QTime(1, 2, 3));
    EXPECT_EQ(ParseTimeText(QStringLiteral("1:2:3")), QTime(1, 2, 3));
    EXPECT_EQ(ParseDateText(QStringLiteral("2011-05-06")), QDate(2011, 5, 6));
    EXPECT_FALSE(ParseTimeText(QStringLiteral("24:00:00")).isValid());
    EXPECT_FALSE(ParseTimeText(QStringLiteral("t")).isValid());
    EXPECT_FALSE(ParseDateText(QStringLiteral("d")).isValid());
}
