#include "app/mainstate.h"
#include "files/record.h"
#include "tests/support/testseams.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace pelzo;
using pelzo::test::ScriptedDialogs;

namespace {

void SetClockTexts(MainState& st, int y, int mo, int d, int h, int mi, int s)
{
    st.TextYear = QString::number(y);
    st.TextMonth = QString::number(mo);
    st.TextDay = QString::number(d);
    st.TextHour = QString::number(h);
    st.TextMinute = QString::number(mi);
    st.TextSecond = QString::number(s);
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

}  // namespace

TEST(RecordName, EncodesStartTime)
{
    const struct {
        int y, mo, d, h, mi, s;
        const char* name;
    } cases[] = {
        {2011, 5, 6, 14, 3, 27, "BE6O0327"},
        {2009, 1, 9, 0, 0, 0, "AA9A0000"},
        {2036, 12, 10, 23, 59, 59, "ZLAX5959"},
        {2020, 2, 31, 12, 30, 5, "KBVM3005"},
        {0, 0, 0, 30, 99, 99, "AA1X5959"},
    };
    for (const auto& c : cases) {
        MainState st;
        SetClockTexts(st, c.y, c.mo, c.d, c.h, c.mi, c.s);
        EXPECT_EQ(MakeRecordName(st), QLatin1String(c.name)) << c.name;
    }
}

TEST(RecordName, DateReadsBack)
{
    const struct {
        const char* path;
        QDate date;  // invalid: date failure
    } cases[] = {
        {"BE6O0327.pzo", QDate(2011, 5, 6)},
        {"be6o0327.pzo", QDate(2011, 5, 6)},
        {"/home/u/rec/BE6O0327.PZO", QDate(2011, 5, 6)},  // first "." is the extension's
        {"/home/j.smith/.local/share/pelzo/BE6O0327.pzo", QDate(2011, 5, 6)},  // dotted folders
        {"/tmp/a.b/BEV.pzo", QDate(2011, 5, 31)},  // a short name: its own first 8, not the folder's
        {"ZLAX5959.pzo", QDate(2035, 12, 10)},
        {"BE0O0327.pzo", QDate(2011, 5, 1)},   // day "0" becomes 1
        {"BBU00000.pzo", QDate()},             // 30 February
        {"  BE6O0327.pzo\t\r\n", QDate(2011, 5, 6)},
        {"BEV.pzo", QDate(2011, 5, 31)},       // fewer than 8 characters: the first 8 of the name
        {"BE6", QDate(2011, 5, 6)},            // no "." at all
        {"0E6O0327.pzo", QDate(2249, 5, 6)},   // no clamp on the year
        {"BZ6O0327.pzo", QDate(2011, 12, 6)},  // month above 12 becomes 12
        {"B@6O0327.pzo", QDate(2011, 1, 6)},   // month 0 becomes 1
        {"BE[O0327.pzo", QDate(2011, 5, 31)},  // "[" (91) gives 36, held to 31
    };
    for (const auto& c : cases) {
        const auto d = RecordNameDate(QString::fromUtf8(c.path));
        if (c.date.isValid()) {
            ASSERT_TRUE(d.has_value()) << c.path;
            EXPECT_EQ(*d, c.date) << c.path;
        } else {
            EXPECT_FALSE(d.has_value()) << c.path;
        }
    }
}

TEST(RecordFile, AppendsWordsAtTheirSlots)
{
    QTemporaryDir dir;
    MainState st;
    ScriptedDialogs dlg;
    st.AppDir = dir.path();
    SetClockTexts(st, 2011, 5, 6, 14, 3, 27);
    ASSERT_TRUE(CreateRecFile(st, dlg));
    EXPECT_EQ(st.RecFileName, dir.path() + "/BE6O0327.pzo");
    EXPECT_EQ(st.SampleCount, 0u);
    // 0x0A bytes stay single bytes, every sample is readable at once.
    for (uint32_t w : {0x73322D2Au, 0x0A0A0A0Au, 0xFFFFFFFFu}) {
        st.CurSample = w;
        ASSERT_TRUE(AppendSample(st));
        EXPECT_EQ(ReadAll(st.RecFileName).size(), qsizetype(st.SampleCount) * 4);
    }
    EXPECT_EQ(ReadAll(st.RecFileName), QByteArray::fromHex("2a2d32730a0a0a0affffffff"));
    const auto words = ReadRecordFile(st.RecFileName);
    ASSERT_TRUE(words);
    EXPECT_EQ(*words, (std::vector<uint32_t>{0x73322D2A, 0x0A0A0A0A, 0xFFFFFFFF}));
    EXPECT_TRUE(dlg.shown.empty());
}

TEST(RecordFile, NeverEmptiesAnExistingFile)
{
    QTemporaryDir dir;
    MainState st;
    ScriptedDialogs dlg;
    st.AppDir = dir.path();
    SetClockTexts(st, 2011, 5, 6, 14, 3, 27);
    WriteFile(dir.path() + "/BE6O0327.pzo", "keep");
    WriteFile(dir.path() + "/BE6O0328.pzo", "keep");
    ASSERT_TRUE(CreateRecFile(st, dlg));
    EXPECT_EQ(st.RecFileName, dir.path() + "/BE6O0329.pzo");
    ASSERT_TRUE(CreateRecFile(st, dlg));  // a second start in the same second
    EXPECT_EQ(st.RecFileName, dir.path() + "/BE6O0330.pzo");
    EXPECT_EQ(ReadAll(dir.path() + "/BE6O0327.pzo"), "keep");
    EXPECT_EQ(ReadAll(dir.path() + "/BE6O0328.pzo"), "keep");

    // The last name of the day taken: the minute and hour characters carry over.
    SetClockTexts(st, 2011, 5, 6, 14, 59, 59);
    WriteFile(dir.path() + "/BE6O5959.pzo", "keep");
    ASSERT_TRUE(CreateRecFile(st, dlg));
    EXPECT_EQ(st.RecFileName, dir.path() + "/BE6P0000.pzo");
}

TEST(RecordFile, CreationFailureIsReportedAndNothingIsWritten)
{
    MainState st;
    ScriptedDialogs dlg;
    st.AppDir = "/nonexistent/folder";
    SetClockTexts(st, 2011, 5, 6, 14, 3, 27);
    EXPECT_FALSE(CreateRecFile(st, dlg));
    ASSERT_EQ(dlg.shown.size(), 1u);
    EXPECT_TRUE(dlg.shown[0].text.startsWith(MsgRecCreateFailed));
    EXPECT_FALSE(st.RecFile);
    st.CurSample = 1;
    EXPECT_TRUE(AppendSample(st));
    EXPECT_EQ(st.SampleCount, 0u);
}

TEST(RecordFile, ReadsWholeWordsOnly)
{
    QTemporaryDir dir;
    const QByteArray four = QByteArray::fromHex("2a2d3273");
    for (int extra = 0; extra < 4; ++extra) {
        const QString p = dir.filePath(QString("f%1.pzo").arg(extra));
        WriteFile(p, four + four + QByteArray(extra, '\x01'));
        const auto w = ReadRecordFile(p);
        ASSERT_TRUE(w);
        EXPECT_EQ(w->size(), 2u) << extra;
    }
    WriteFile(dir.filePath("empty.pzo"), {});
    EXPECT_TRUE(ReadRecordFile(dir.filePath("empty.pzo"))->empty());
    EXPECT_FALSE(ReadRecordFile(dir.filePath("missing.pzo")));
}
