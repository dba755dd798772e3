#include "harness.h"

#include "files/openfile.h"
#include "files/fileio.h"
#include "files/text.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace pelzo::test {
namespace {

// 59.8 C 14:25:36, 31.0 A 14:25:37 (a 0x0A byte), 132.3 C 23:59:59.
const QByteArray ThreeSamples = Words({0x73322D2A, 0x7332800A, 0xFFFFBBFF});

TEST(TextFile, WritesFiveTabTerminatedCellsPerRowAndAnEmptyLastLine)
{
    Harness h;
    h.write(QStringLiteral("BE6O0327.pzo"), ThreeSamples);
    h.st.OpenFileName = h.path(QStringLiteral("BE6O0327.pzo"));
    OpenFileIntoViews(h.core);
    ASSERT_EQ(h.st.SampleCount, 3u);
    h.st.Grid.setCell(2, 2, QStringLiteral("edited"));  // the file keeps what the table shows

    ASSERT_TRUE(WriteTextFile(h.core, h.path(QStringLiteral("out.txt"))));

    QByteArray expected;
    for (int r = 1; r <= 3; ++r) {
        for (int c = 0; c < 5; ++c) expected += h.st.Grid.cell(c, r).toUtf8() + '\t';
        expected += "\r\n";
    }
    expected += "\t\t\t\t\t\r\n";
    EXPECT_EQ(h.read(QStringLiteral("out.txt")), expected);
    EXPECT_TRUE(expected.startsWith("1\t59.8\tC\t"));
    EXPECT_TRUE(h.dialogs.shown.empty());
    // The progress window spans both fixed pauses.
    EXPECT_EQ(h.log, (Log{QStringLiteral("progress 0 begin"), QStringLiteral("pause 1000"), QStringLiteral("pause 1000"),
                          QStringLiteral("progress 0 end")}));
}

TEST(TextFile, RoundTripKeepsCellsCountStatisticsAndSeries)
{
    Harness h;
    h.write(QStringLiteral("BE6O0327.pzo"), ThreeSamples);
    h.st.OpenFileName = h.path(QStringLiteral("BE6O0327.pzo"));
    OpenFileIntoViews(h.core);
    ASSERT_TRUE(WriteTextFile(h.core, h.path(QStringLiteral("a.txt"))));
    std::vector<std::vector<QString>> cells;
    for (int r = 0; r <= 4; ++r) cells.push_back(RowCells(h.st, r));
    const auto rec = h.st.Series_rec.y, max = h.st.Series_max.y, min = h.st.Series_min.y;
    const int rows = h.st.Grid.rowCount();

    h.st.MaxLevel = h.st.MinLevel = -1;
    h.st.OpenFileName = QStringLiteral("  ") + h.path(QStringLiteral("a.txt")) + QStringLiteral("\r\n");
    OpenFileIntoViews(h.core);

    EXPECT_EQ(h.st.OpenFileName, h.path(QStringLiteral("a.txt")));
    EXPECT_EQ(h.st.SampleCount, 3u);
    EXPECT_EQ(h.st.Grid.rowCount(), rows);
    for (int r = 0; r <= 4; ++r) EXPECT_EQ(RowCells(h.st, r), cells[size_t(r)]) << "row " << r;
    EXPECT_EQ(h.st.Series_rec.y, rec);
    EXPECT_EQ(h.st.Series_max.y, max);
    EXPECT_EQ(h.st.Series_min.y, min);
    EXPECT_FLOAT_EQ(h.st.MaxLevel, 132.3f);
    EXPECT_FLOAT_EQ(h.st.MinLevel, 31.0f);
    EXPECT_TRUE(h.dialogs.shown.empty());
}

struct ParseCase {
    const char* name;
    QByteArray bytes;
    uint32_t sampleCount;
    int rowCount;  // header included
    std::vector<std::vector<QString>> rows;  // rows 1.. as expected
    std::vector<double> levels;
    bool failed;
};

std::vector<QString> Cells(const char* a, const char* b, const char* c, const char* d, const char* e)
{
    return {QString::fromUtf8(a), QString::fromUtf8(b), QString::fromUtf8(c), QString::fromUtf8(d), QString::fromUtf8(e)};
}

TEST(TextFile, ParseRules)
{
    const std::vector<ParseCase> cases = {
        {"two lines", "1\t50.0\tA\tt1\td1\t\r\n2\t55.5\tC\tt2\td2\t\r\n\t\t\t\t\t\r\n", 2, 3,
         {Cells("1", "50.0", "A", "t1", "d1"), Cells("2", "55.5", "C", "t2", "d2")}, {50.0, 55.5}, false},
        {"empty cell skipped, cells move left", "1\t\t50.0\tA\tt1\td1\tX\t\r\n", 1, 2,
         {Cells("1", "50.0", "A", "t1", "d1")}, {50.0}, false},
        {"three cells then a line overwriting them", "9\t9\t9\t\r\n1\t40.0\tA\tt\td\t\r\n", 1, 2,
         {Cells("1", "40.0", "A", "t", "d")}, {40.0}, false},
        {"text without tab carried into next line", "1\t50.0\tA\tt\td\tab\r\ncd\t60.0\tC\tu\tv\t", 2, 3,
         {Cells("1", "50.0", "A", "t", "d"), Cells("abcd", "60.0", "C", "u", "v")}, {50.0, 60.0}, false},
        {"blank level is no number", "1\t45.5\tA\tt\td\t2\t \tA\tt\td\t", 1, 2,
         {Cells("1", "45.5", "A", "t", "d")}, {45.5}, true},
        {"letters in level stop the parse", "1\t50.0\tA\tt\td\t2\tabc\tA\tt\td\t3\t60.0\tA\tt\td\t", 1, 2,
         {Cells("1", "50.0", "A", "t", "d")}, {50.0}, true},
        {"NUL ends the parse", QByteArray("1\t50.0\tA\tt\td\t\0" "2\t60.0\tA\tt\td\t", 27), 1, 2,
         {Cells("1", "50.0", "A", "t", "d")}, {50.0}, false},
        {"no tab loads nothing", "1 50.0 A t d\r\n2 60.0 A t d\r\n", 0, 1, {}, {}, false},
        {"CR resets the column and keeps the text", "1\t50.0\r2\t60.0\tA\tt\td\t", 1, 2, {Cells("50.02", "60.0", "A", "t", "d")}, {60.0}, false},
        {"UTF-8 cells kept", "1\t50.0\tA\t下午2:25:36\t2011/5/6\t", 1, 2, {Cells("1", "50.0", "A", "下午2:25:36", "2011/5/6")}, {50.0}, false},
        {"binary bytes", QByteArray("\xff\xfe\x01\x02\t\x80\t\t\t", 9), 0, 1, {}, {}, false},
    };
    for (const ParseCase& pc : cases) {
        SCOPED_TRACE(pc.name);
        Harness h;
        ClearViews(h.st);
        h.write(QStringLiteral("f.txt"), pc.bytes);
        EXPECT_EQ(ReadTextFile(h.core, h.path(QStringLiteral("f.txt"))), !pc.failed);
        EXPECT_EQ(h.st.SampleCount, pc.sampleCount);
        EXPECT_EQ(h.st.Grid.rowCount(), pc.rowCount);
        for (size_t r = 0; r < pc.rows.size(); ++r) EXPECT_EQ(RowCells(h.st, int(r + 1)), pc.rows[r]) << "row " << r + 1;
        ASSERT_EQ(h.st.Series_rec.count(), pc.levels.size());
        for (size_t k = 0; k < pc.levels.size(); ++k) EXPECT_FLOAT_EQ(float(h.st.Series_rec.y[k]), float(pc.levels[k]));
        EXPECT_EQ(h.st.Series_max.count(), pc.levels.size());
        EXPECT_EQ(h.st.Series_min.count(), pc.levels.size());
        if (pc.failed) {
            ASSERT_EQ(h.dialogs.shown.size(), 1u);
            EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8(" 不能读取文件 "));
            EXPECT_EQ(h.dialogs.shown[0].caption, QString::fromUtf8("警告信息"));
            EXPECT_EQ(h.dialogs.shown[0].buttons, Ok | Cancel);
            EXPECT_EQ(h.dialogs.shown[0].icon, Icon::None);
        } else {
            EXPECT_TRUE(h.dialogs.shown.empty());
        }
    }
}

TEST(TextFile, StatisticsStartAtTheFirstValueFound)
{
    Harness h;
    h.st.MaxLevel = 200;
    h.st.MinLevel = 10;
    ClearViews(h.st);
    ASSERT_TRUE(ParseTextFile(h.core, "2\t50.0\tA\tt\td\t3\t49.9\tA\tt\td\t4\t55.5\tA\tt\td\t"));
    EXPECT_FLOAT_EQ(h.st.MaxLevel, 55.5f);
    EXPECT_FLOAT_EQ(h.st.MinLevel, 49.9f);
    EXPECT_EQ(h.st.Series_max.y, (std::vector<double>{50.0f, 50.0f, 55.5f}));
    EXPECT_EQ(h.st.Series_min.y, (std::vector<double>{50.0f, 49.9f, 49.9f}));
}

TEST(TextFile, UnreadableFilesSayCannotRead)
{
    Harness h;
    h.write(QStringLiteral("big.txt"), QByteArray());
    ASSERT_EQ(::truncate(QFile::encodeName(h.path(QStringLiteral("big.txt"))).constData(), off_t(MaxLoadBytes) + 1), 0);
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("folder.txt")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(h.path(QStringLiteral("fifo.txt"))).constData(), 0600), 0);
    for (const char* name : {"missing.txt", "folder.txt", "fifo.txt", "big.txt"}) {
        SCOPED_TRACE(name);
        h.dialogs.shown.clear();
        ClearViews(h.st);
        EXPECT_FALSE(ReadTextFile(h.core, h.path(QString::fromLatin1(name))));
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8(" 不能读取文件 "));
        EXPECT_EQ(h.st.SampleCount, 0u);
    }
}

TEST(TextFile, WriteFailureSaysOwnerlessAndKeepsViews)
{
    Harness h;
    ClearViews(h.st);
    ASSERT_TRUE(ParseTextFile(h.core, "1\t50.0\tA\tt\td\t"));
    EXPECT_FALSE(WriteTextFile(h.core, h.path(QStringLiteral("no/such/folder/x.txt"))));
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    const Message& m = h.dialogs.shown[0];
    EXPECT_EQ(m.text, QString::fromUtf8("文件已经存在!"));
    EXPECT_EQ(m.caption, QString::fromUtf8("信息提示"));
    EXPECT_EQ(m.buttons, Ok);
    EXPECT_EQ(m.icon, Icon::None);
    EXPECT_TRUE(m.ownerless);
    EXPECT_EQ(h.log.back(), QString::fromUtf8("message 文件已经存在!"));  // after the progress window is gone
    EXPECT_EQ(h.st.SampleCount, 1u);
    EXPECT_EQ(RowCells(h.st, 1), Cells("1", "50.0", "A", "t", "d"));
}

TEST(TextFile, LevelValueIsStrict)
{
    struct C {
        const char* text;
        bool ok;
        float v;
    };
    for (const C& c : std::vector<C>{{"59.8", true, 59.8f}, {" 59.8\t", true, 59.8f}, {"+5", true, 5},
                                     {"-0.5", true, -0.5f}, {".5", true, 0.5f}, {"5.", true, 5}, {"1e2", true, 100},
                                     {"1,000", false, 0}, {"59,8", false, 0}, {"nan", false, 0}, {"inf", false, 0},
                                     {"1e999", false, 0}, {"abc", false, 0}, {"", false, 0}, {".", false, 0},
                                     {"1e", false, 0}, {"0x10", false, 0}, {"５", false, 0}}) {
        SCOPED_TRACE(c.text);
        float v = -7;
        EXPECT_EQ(ParseLevel(QString::fromUtf8(c.text), v), c.ok);
        if (c.ok) EXPECT_FLOAT_EQ(v, c.v);
    }
}

}  // namespace
}  // namespace pelzo::test
