// The noise assessment: formulas against published tables, recordings with known answers loaded
// the way the open command loads them, the tick-by-tick feed and the JSON for scripts.
#include "assess/feeder.h"
#include "assess/report.h"
#include "files/openfile.h"
#include "files/record.h"
#include "files/text.h"
#include "meter/words.h"
#include "tests/assess/recordfixture.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using namespace pelzo;
using namespace pelzo::assess;
using pelzo::test::Stretch;
using pelzo::test::WriteRecord;

namespace {

class AssessFile : public ::testing::Test {
protected:
    Accumulator Load(const QString& path, EventRule rule = {})
    {
        fx.st.OpenFileName = path;
        OpenFileIntoViews(fx.core);
        EXPECT_TRUE(fx.dialogs.shown.empty()) << fx.dialogs.texts().join(QLatin1Char('|')).toStdString();
        return AssessState(fx.st, rule);
    }
    QTemporaryDir dir;
    test::CoreFixture fx;
};

QJsonObject Json(const Accumulator& acc) { return QJsonDocument::fromJson(ReportJson(acc)).object(); }

}  // namespace

// ---- formulas -------------------------------------------------------------------------------

TEST(Formulas, AllowedTimeMatchesOshaTableG16a)
{
    const struct { double level, hours; } cases[] = {{80, 32}, {85, 16}, {90, 8}, {95, 4}, {100, 2}, {115, 0.25}};
    for (const auto& c : cases) EXPECT_NEAR(AllowedHours(c.level, OshaPel), c.hours, 1e-9) << c.level;
}

TEST(Formulas, TwaMatchesOshaTableA1)
{
    const struct { double dose, twa; } cases[] = {{10, 73.4}, {50, 85.0}, {100, 90.0}, {200, 95.0}, {400, 100.0}};
    for (const auto& c : cases) EXPECT_NEAR(*TwaOfDose(c.dose, OshaPel), c.twa, 0.05) << c.dose;
    EXPECT_FALSE(TwaOfDose(0, OshaPel));
}

TEST(Formulas, DayNightAndDenLevels)
{
    EXPECT_NEAR(Ldn(70, 50), 68.2, 0.05);
    EXPECT_NEAR(Lden(60, 60, 60), 66.4, 0.05);
    EXPECT_NEAR(Lex8h(90, 4 * 3600), 87.0, 0.02);  // half the day: 3 dB less
}

TEST(Formulas, NioshEightHoursAt88)
{
    Accumulator acc;
    for (int i = 0; i < 8 * 3600; ++i) acc.add(88.0, Weighting::A, StampOf(2460000, 8 * 3600 + i));
    const Summary s = acc.summary();
    EXPECT_NEAR(*s.niosh.dose, 200.0, 0.01);
    EXPECT_NEAR(*s.niosh.twa, 88.0, 0.05);
    EXPECT_NEAR(*s.lex8h, 88.0, 1e-9);
    EXPECT_FALSE(s.oshaPel.twa);  // nothing at or above 90 dB
    EXPECT_EQ(*s.oshaPel.dose, 0.0);
}

// ---- recordings with known answers ----------------------------------------------------------

TEST_F(AssessFile, MixedShiftUnderAllThreeRules)
{
    const QString path = WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(7, 0, 0)),
                                     {{80, 2 * 3600}, {85, 4 * 3600}, {95, 2 * 3600}});
    const Summary s = Load(path).summary();
    EXPECT_EQ(s.samples, 8u * 3600);
    EXPECT_NEAR(*s.laeq, 89.88, 0.01);
    EXPECT_NEAR(*s.lex8h, 89.88, 0.01);  // exactly 8 h
    EXPECT_NEAR(*s.oshaPel.dose, 50.0, 0.01);
    EXPECT_NEAR(*s.oshaPel.twa, 85.0, 0.01);
    EXPECT_NEAR(*s.oshaHc.dose, 81.25, 0.01);
    EXPECT_NEAR(*s.oshaHc.twa, 88.50, 0.01);
    EXPECT_NEAR(*s.niosh.dose, 309.86, 0.01);
    EXPECT_NEAR(*s.niosh.twa, 89.91, 0.01);
    EXPECT_EQ(IsoText(*s.start), QLatin1String("2026-03-04T07:00:00"));
    EXPECT_EQ(IsoText(*s.end), QLatin1String("2026-03-04T15:00:00"));
}

TEST_F(AssessFile, ConstantDayGivesTwentyFourHoursAndAllPeriods)
{
    const Accumulator acc = Load(WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(0, 0, 0)), {{60, 86400}}));
    ASSERT_EQ(acc.hourCount(), 24u);
    for (size_t i = 0; i < 24; ++i) {
        const HourRow h = acc.hour(i);
        EXPECT_EQ(IsoText(h.start), QStringLiteral("2026-03-04T%1:00:00").arg(i, 2, 10, QLatin1Char('0')));
        EXPECT_EQ(h.seconds, 3600u);
        EXPECT_NEAR(h.leq, 60, 1e-9);
        EXPECT_EQ(h.lmax, 60);
        EXPECT_EQ(h.l10, 60);
        EXPECT_EQ(h.l90, 60);
    }
    const Summary s = acc.summary();
    EXPECT_NEAR(*s.lday, 60, 1e-9);
    EXPECT_NEAR(*s.levening, 60, 1e-9);
    EXPECT_NEAR(*s.lnight, 60, 1e-9);
    EXPECT_NEAR(*s.lden, 66.40, 0.01);
    EXPECT_NEAR(*s.ldn, 66.41, 0.01);
}

TEST_F(AssessFile, AcrossMidnightWithBurstsAndCWeightedSamples)
{
    // 23:00:00 to 01:00:00; a 3 s burst at 90, a 60 s one at 95 after midnight, 10 s at 100 dB C.
    const QString path = WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(23, 0, 0)),
                                     {{70, 100}, {90, 3}, {70, 3597}, {95, 60}, {70, 1240},
                                      {100, 10, true}, {70, 2190}});
    const Accumulator acc = Load(path, EventRule{85, 1});
    const Summary s = acc.summary();
    EXPECT_EQ(s.samples, 7200u);
    EXPECT_EQ(s.countA, 7190u);
    EXPECT_EQ(s.countC, 10u);
    EXPECT_EQ(IsoText(*s.end), QLatin1String("2026-03-05T01:00:00"));
    ASSERT_EQ(acc.hourCount(), 2u);
    EXPECT_EQ(IsoText(acc.hour(1).start), QLatin1String("2026-03-05T00:00:00"));

    // Exposure leaves the C-weighted samples out: the same as the A-weighted ones alone.
    double energy = 0;
    for (const auto& [level, n] : std::vector<std::pair<double, int>>{{70, 7190 - 63}, {90, 3}, {95, 60}})
        energy += n * std::pow(10.0, level / 10);
    EXPECT_NEAR(*s.laeq, 10 * std::log10(energy / 7190), 1e-9);
    EXPECT_NEAR(*s.lex8h, *s.laeq + 10 * std::log10(7190.0 / 28800), 1e-9);
    EXPECT_NEAR(*s.niosh.dose, 100.0 * (3 * std::exp2(5 / 3.0) + 60 * std::exp2(10 / 3.0)) / 28800, 1e-9);

    struct Ev { const char* start; const char* end; uint64_t seconds; double lmax; };
    const Ev all[] = {{"2026-03-04T23:01:40", "2026-03-04T23:01:43", 3, 90},
                      {"2026-03-05T00:01:40", "2026-03-05T00:02:40", 60, 95},
                      {"2026-03-05T00:23:20", "2026-03-05T00:23:30", 10, 100}};
    ASSERT_EQ(acc.eventCount(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        const Event& e = acc.event(i);
        EXPECT_EQ(IsoText(e.start), QLatin1String(all[i].start));
        EXPECT_EQ(IsoText(e.end), QLatin1String(all[i].end));
        EXPECT_EQ(e.seconds, all[i].seconds);
        EXPECT_EQ(e.lmax, all[i].lmax);
        EXPECT_NEAR(e.leq(), all[i].lmax, 1e-9);
        EXPECT_NEAR(e.sel(), all[i].lmax + 10 * std::log10(double(all[i].seconds)), 1e-9);
    }
    // The short burst drops out with a longer minimum; a higher threshold keeps only the loudest.
    EXPECT_EQ(AssessState(fx.st, EventRule{85, 5}).eventCount(), 2u);
    EXPECT_EQ(AssessState(fx.st, EventRule{96, 1}).eventCount(), 1u);
}

TEST_F(AssessFile, WeekLongRecordingDatesEveryHour)
{
    // The time of day goes backwards at every midnight: the last hour is on 2026-03-11.
    const Accumulator acc = Load(WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(12, 0, 0)), {{50, 7 * 86400}}));
    ASSERT_EQ(acc.hourCount(), 7u * 24);
    EXPECT_EQ(IsoText(acc.hour(7 * 24 - 1).start), QLatin1String("2026-03-11T11:00:00"));
    EXPECT_EQ(IsoText(*acc.summary().end), QLatin1String("2026-03-11T12:00:00"));
}

TEST_F(AssessFile, TextFileTakesItsDateFromTheFirstRow)
{
    // Rows as this program writes them (short date, long time), then one with an ISO date that
    // must not matter, and a roll-over after midnight.
    auto row = [](int n, const char* level, const char* w, QTime t, const QString& date) {
        return QStringLiteral("%1\t%2\t%3\t%4\t%5\t\r\n").arg(n).arg(QLatin1String(level), QLatin1String(w), LongTimeText(t), date).toUtf8();
    };
    const QString first = ShortDateText(QDate(2026, 3, 4));
    const QByteArray bytes = row(1, "80.5", "A", QTime(23, 59, 58), first) + row(2, "81.0", "C", QTime(23, 59, 59), first) +
                             row(3, "90.25", "A", QTime(0, 0, 0), QStringLiteral("1999-01-01"));
    ASSERT_TRUE(ParseTextFile(fx.core, bytes));
    const Accumulator acc = AssessState(fx.st, {});
    const Summary s = acc.summary();
    EXPECT_EQ(s.samples, 3u);
    EXPECT_EQ(s.countC, 1u);
    EXPECT_EQ(IsoText(*s.lmaxAt), QLatin1String("2026-03-05T00:00:00"));
    EXPECT_EQ(*s.lmax, 90.25);
    ASSERT_EQ(acc.hourCount(), 2u);
    EXPECT_EQ(IsoText(acc.hour(0).start), QLatin1String("2026-03-04T23:00:00"));
}

TEST(DateTexts, ReadInTheCommonForms)
{
    const struct { const char* text; QDate date; } cases[] = {
        {"2026-03-04", {2026, 3, 4}}, {"2026/3/4", {2026, 3, 4}}, {"4.3.2026", {2026, 3, 4}}, {"4.3.26", {2026, 3, 4}},
        {"4 Mar 2026", {2026, 3, 4}}};  // as a desk with English month names writes it
    for (const auto& c : cases) EXPECT_EQ(ParseDateText(QLatin1String(c.text)), c.date) << c.text;
    EXPECT_EQ(ParseDateText(ShortDateText(QDate(2026, 12, 31))), QDate(2026, 12, 31));
    EXPECT_FALSE(ParseDateText(QStringLiteral("yesterday")).isValid());
    EXPECT_EQ(ParseTimeText(QStringLiteral("7:05:09")), QTime(7, 5, 9));
    EXPECT_EQ(ParseTimeText(LongTimeText(QTime(23, 1, 2))), QTime(23, 1, 2));
}

// ---- the accumulator ------------------------------------------------------------------------

TEST(Accumulator, EmptyHasOnlyAbsentFigures)
{
    const QJsonObject j = Json(Accumulator{});
    EXPECT_EQ(j[QLatin1String("samples")].toInt(), 0);
    EXPECT_TRUE(j[QLatin1String("start")].isNull());
    EXPECT_TRUE(j[QLatin1String("levels")].toObject()[QLatin1String("Leq")].isNull());
    EXPECT_TRUE(j[QLatin1String("exposure")].toObject()[QLatin1String("osha_pel")].toObject()[QLatin1String("dose")].isNull());
    EXPECT_TRUE(j[QLatin1String("periods")].toObject()[QLatin1String("Lden")].isNull());
    EXPECT_TRUE(j[QLatin1String("hours")].toArray().isEmpty());
}

TEST(Accumulator, OnlyCWeightedSamplesLeaveExposureAbsent)
{
    Accumulator acc;
    for (int i = 0; i < 10; ++i) acc.add(95, Weighting::C, StampOf(2460000, i));
    const Summary s = acc.summary();
    EXPECT_EQ(s.countC, 10u);
    EXPECT_FALSE(s.laeq);
    EXPECT_FALSE(s.lex8h);
    EXPECT_FALSE(s.niosh.dose);
    EXPECT_NEAR(*s.leq, 95, 1e-9);
}

TEST(Accumulator, LevelsTimesPercentilesAndOpenEvent)
{
    Accumulator acc(EventRule{80, 3});
    // 10 samples rising 71 … 80, then 2 at 85, ending inside a run of 3 at or above 80.
    const double levels[] = {71, 72, 73, 74, 75, 76, 77, 78, 79, 80, 85, 85, 60, 60};
    int i = 0;
    for (double l : levels) acc.add(l, Weighting::A, StampOf(2460000, 3600 + i++));
    Summary s = acc.summary();
    EXPECT_EQ(*s.lmax, 85);
    EXPECT_EQ(*s.lmaxAt, StampOf(2460000, 3610));  // the first time it was reached
    EXPECT_EQ(*s.lmin, 60);
    EXPECT_EQ(*s.lminAt, StampOf(2460000, 3612));
    EXPECT_EQ(acc.eventCount(), 1u);
    EXPECT_EQ(acc.event(0).seconds, 3u);
    // Nearest rank over 14 samples: L90 is the 2nd smallest, L10 the 13th.
    EXPECT_EQ(*s.l90, 60);
    EXPECT_EQ(*s.l10, 85);

    Accumulator open(EventRule{80, 2});
    open.add(90, Weighting::A, 0);
    EXPECT_EQ(open.eventCount(), 0u);  // not long enough yet
    open.add(91, Weighting::A, 1);
    ASSERT_EQ(open.eventCount(), 1u);  // still going on, shown already
    EXPECT_EQ(open.event(0).end, 2);
}

TEST(Accumulator, HistogramGrowsBothWaysAndStaysExact)
{
    Histogram h(100);
    const double levels[] = {60.0, 59.99, 80.01, 30.5, 120.25, 60.0};
    for (double l : levels) h.add(l);
    EXPECT_EQ(h.count(), 6u);
    // Nearest rank over 30.5, 59.99, 60, 60, 80.01, 120.25.
    EXPECT_NEAR(h.exceeded(90), 30.5, 1e-9);
    EXPECT_NEAR(h.exceeded(50), 60.0, 1e-9);
    EXPECT_NEAR(h.exceeded(20), 80.01, 1e-9);
    EXPECT_NEAR(h.exceeded(10), 120.25, 1e-9);
}

TEST(Accumulator, EnvelopeStaysBoundedAndKeepsExtremes)
{
    Accumulator acc;
    for (int i = 0; i < 1000000; ++i) acc.add(i == 777777 ? 130 : 50 + (i % 7), Weighting::A, i);
    const Envelope& e = acc.envelope();
    EXPECT_LE(e.hi.size(), 2 * Envelope::MaxBuckets);
    EXPECT_EQ(double(e.hi.size() - 1) * double(e.perBucket) < 1000000, true);
    EXPECT_EQ(*std::max_element(e.hi.begin(), e.hi.end()), 130.0f);
    EXPECT_EQ(*std::min_element(e.lo.begin(), e.lo.end()), 50.0f);
}

// ---- feeding from the views -----------------------------------------------------------------

TEST(Feeder, TickByTickEqualsAllAtOnceAndStartsOverAfterAClear)
{
    MainState st;
    ReadingTexts t;
    t.Weighting = QStringLiteral("A");
    t.dateValue = QDate(2026, 3, 4);
    Accumulator live;
    StateFeeder feeder;
    auto add = [&](uint32_t n, int tenths, QTime time) {
        t.tenths = tenths;
        t.timeValue = time;
        t.Weighting = n % 5 == 0 ? QStringLiteral("C") : QStringLiteral("A");
        st.SampleCount = n;
        AddSampleToViews(st, n, float(tenths) / 10.0f, t);
    };
    for (uint32_t n = 1; n <= 200; ++n) {
        add(n, 600 + int(n * 37 % 400), QTime(23, 58, 0).addSecs(int(n)));
        const CatchUp r = feeder.catchUp(st, live);
        EXPECT_EQ(r.fed, 1u);
        EXPECT_EQ(r.restarted, n == 1);
    }
    EXPECT_FALSE(feeder.catchUp(st, live).changed());
    EXPECT_EQ(ReportJson(live), ReportJson(AssessState(st, {})));
    EXPECT_EQ(IsoText(*live.summary().end), QLatin1String("2026-03-05T00:01:21"));

    ClearViews(st);  // a new recording or another file
    add(1, 700, QTime(8, 0, 0));
    const CatchUp r = feeder.catchUp(st, live);
    EXPECT_TRUE(r.restarted);
    EXPECT_EQ(live.samples(), 1u);
}

TEST(Alarm, OnlyWhileRecordingAndLinkedAtOrAboveThreshold)
{
    MainState st;
    st.Series_rec.add(85.0);
    st.SampleCount = 1;
    const struct { bool recording, linked; double threshold; bool on; } cases[] = {
        {true, true, 85, true}, {true, true, 85.1, false}, {false, true, 80, false}, {true, false, 80, false}};
    for (const auto& c : cases) {
        st.Recording = c.recording;
        st.UsbLinked = c.linked;
        EXPECT_EQ(AlarmLevel(st, c.threshold).has_value(), c.on) << c.threshold;
    }
}

// ---- output ---------------------------------------------------------------------------------

TEST_F(AssessFile, JsonHasExactlyTheStableKeys)
{
    const Accumulator acc = Load(WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(22, 59, 0)),
                                              {{70, 30}, {90.5, 5}, {70, 30, true}}));
    QLocale::setDefault(QLocale(QLocale::German));  // a comma locale must not reach the numbers
    const QByteArray raw = ReportJson(acc);
    QLocale::setDefault(QLocale::c());
    QJsonParseError err{};
    const QJsonObject j = QJsonDocument::fromJson(raw, &err).object();
    ASSERT_EQ(err.error, QJsonParseError::NoError) << raw.toStdString();
    auto keys = [](const QJsonObject& o) { return QStringList(o.keys()); };
    auto sorted = [](QStringList l) { l.sort(); return l; };
    EXPECT_EQ(keys(j), sorted({"samples", "seconds", "start", "end", "weighting", "levels", "exposure", "hours", "periods",
                               "events", "threshold", "min_seconds"}));
    EXPECT_EQ(keys(j[QLatin1String("weighting")].toObject()), sorted({"A", "C"}));
    EXPECT_EQ(keys(j[QLatin1String("levels")].toObject()),
              sorted({"Leq", "Lmax", "Lmax_at", "Lmin", "Lmin_at", "L10", "L50", "L90", "SEL"}));
    const QJsonObject exposure = j[QLatin1String("exposure")].toObject();
    EXPECT_EQ(keys(exposure), sorted({"LAeq", "LEX8h", "osha_pel", "osha_hc", "niosh"}));
    for (const char* rule : {"osha_pel", "osha_hc", "niosh"})
        EXPECT_EQ(keys(exposure[QLatin1String(rule)].toObject()), sorted({"dose", "twa"})) << rule;
    EXPECT_EQ(keys(j[QLatin1String("periods")].toObject()), sorted({"Lday", "Levening", "Lnight", "Lden", "Ldn"}));
    const QJsonArray hours = j[QLatin1String("hours")].toArray();
    ASSERT_EQ(hours.size(), 2);
    EXPECT_EQ(keys(hours[0].toObject()), sorted({"start", "seconds", "Leq", "Lmax", "L10", "L90"}));
    EXPECT_EQ(hours[1].toObject()[QLatin1String("start")].toString(), QLatin1String("2026-03-04T23:00:00"));
    const QJsonArray events = j[QLatin1String("events")].toArray();
    ASSERT_EQ(events.size(), 1);
    const QJsonObject e = events[0].toObject();
    EXPECT_EQ(keys(e), sorted({"start", "end", "seconds", "Lmax", "Leq", "SEL"}));
    EXPECT_EQ(e[QLatin1String("start")].toString(), QLatin1String("2026-03-04T22:59:30"));
    EXPECT_EQ(e[QLatin1String("Lmax")].toDouble(), 90.5);
    EXPECT_TRUE(raw.contains("\"Lmax\": 90.5"));
    EXPECT_TRUE(j[QLatin1String("periods")].toObject()[QLatin1String("Lden")].isNull());  // no day or evening sample
    EXPECT_FALSE(j[QLatin1String("periods")].toObject()[QLatin1String("Lnight")].isNull());
    EXPECT_EQ(j[QLatin1String("weighting")].toObject()[QLatin1String("C")].toInt(), 30);
    EXPECT_EQ(j[QLatin1String("threshold")].toDouble(), 85.0);
    EXPECT_EQ(j[QLatin1String("min_seconds")].toInt(), 1);
}

TEST_F(AssessFile, TextReportShowsEveryTableInTheProgramsLanguage)
{
    const Accumulator acc = Load(WriteRecord(dir.path(), QDateTime(QDate(2026, 3, 4), QTime(10, 0, 0)), {{91.5, 20}}));
    QLocale::setDefault(QLocale(QLocale::German));
    const QString text = ReportText(QStringLiteral("QC4K0000.pzo"), acc);
    QLocale::setDefault(QLocale::c());
    for (const char* part : {"记录", "声级（全部样本）", "暴露（仅 A 计权样本）", "剂量与 TWA", "每小时", "时段", "事件",
                             "2026-03-04 10:00:00", "91.5", "LEX,8h", "峰值"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    EXPECT_FALSE(text.contains(QLatin1String("91,5")));
}
