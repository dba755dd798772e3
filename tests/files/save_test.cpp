#include "harness.h"

#include "app/commands.h"
#include "files/commands.h"
#include "files/openfile.h"
#include "files/text.h"

#include <QDir>

#include <unistd.h>

namespace pelzo::test {
namespace {

void Record(Harness& h, int samples)
{
    ToolButton3Click(h.core);
    ASSERT_TRUE(h.st.Recording);
    for (int i = 0; i < samples; ++i) h.recordSample(0x6B322D2A + uint32_t(i));
}

TEST(SaveCommand, NothingToSave)
{
    Harness h;
    ToolButton2Click(h.core);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8("没有数据要保存!"));
    EXPECT_EQ(h.dialogs.shown[0].caption, QStringLiteral("Pelzo Sound Link 1v2c"));
    EXPECT_EQ(h.dialogs.shown[0].buttons, Ok);
    EXPECT_TRUE(h.dialogs.saveFilters.empty());
}

TEST(SaveCommand, RecordingQuestionNoChangesNothing)
{
    Harness h;
    Record(h, 2);
    h.dialogs.answers = {No};
    ToolButton2Click(h.core);
    ASSERT_EQ(h.dialogs.shown.size(), 1u);
    EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8("保存文件将停止记录?"));
    EXPECT_EQ(h.dialogs.shown[0].buttons, Yes | No);
    EXPECT_TRUE(h.st.Recording);
    EXPECT_TRUE(h.dialogs.saveFilters.empty());
    EXPECT_TRUE(h.timer.enabled());
}

TEST(SaveCommand, YesThenCancelStopsTheRecordingAndWritesNothing)
{
    Harness h;
    Record(h, 2);
    h.timer.setInterval(250);
    h.dialogs.answers = {Yes};
    bool timerDuringDialog = true;
    h.dialogs.onSaveDialog = [&] { timerDuringDialog = h.timer.enabled(); };
    const auto before = QDir(h.dir.path()).entryList(QDir::Files);
    ToolButton2Click(h.core);
    EXPECT_FALSE(h.st.Recording);
    EXPECT_NE(h.st.RecFile, nullptr);
    EXPECT_FALSE(timerDuringDialog);
    EXPECT_TRUE(h.timer.enabled());
    EXPECT_EQ(h.timer.interval(), 1000);
    EXPECT_EQ(QDir(h.dir.path()).entryList(QDir::Files), before);
    ASSERT_EQ(h.dialogs.saveFilters.size(), 1u);
    EXPECT_EQ(h.dialogs.saveFilters[0], QString::fromUtf8("记录原码文件[*.pzo]|*.pzo|文本文件[*.txt]|*.txt|电子表格文件[*.xls]|*.xls"));
}

TEST(SaveCommand, RecordCopyRightAfterRecordingHoldsEveryRow)
{
    Harness h;
    h.write(QStringLiteral("keep.pzo"), QByteArray("old content"));
    Record(h, 5);
    h.dialogs.answers = {Yes};
    h.dialogs.saveAnswers = {SaveChoice{h.path(QStringLiteral("keep")), 1}};
    ToolButton2Click(h.core);
    EXPECT_EQ(h.dialogs.shown.size(), 1u);  // the question only
    const QByteArray copy = h.read(QStringLiteral("keep.pzo"));
    EXPECT_EQ(copy.size(), 4 * (h.st.Grid.rowCount() - 1));
    EXPECT_EQ(copy, h.read(QFileInfo(h.st.RecFileName).fileName()));
    EXPECT_EQ(h.st.SampleCount, 5u);

    // The copy loads back into the same rows.
    std::vector<std::vector<QString>> rows;
    for (int r = 1; r <= 5; ++r) rows.push_back(RowCells(h.st, r));
    h.st.OpenFileName = h.path(QStringLiteral("keep.pzo"));
    h.write(QStringLiteral("BE6O1403.pzo"), copy);
    h.st.OpenFileName = h.path(QStringLiteral("BE6O1403.pzo"));
    OpenFileIntoViews(h.core);
    for (int r = 1; r <= 5; ++r) EXPECT_EQ(RowCells(h.st, r), rows[size_t(r - 1)]);
}

TEST(SaveCommand, RecordCopyWithoutRecordingSaysTheFileIsMissing)
{
    for (bool targetExists : {false, true}) {
        SCOPED_TRACE(targetExists);
        Harness h;
        if (targetExists) h.write(QStringLiteral("x.pzo"), QByteArray("older"));
        ASSERT_TRUE(ParseTextFile(h.core, "1\t50.0\tA\tt\td\t"));
        h.dialogs.saveAnswers = {SaveChoice{h.path(QStringLiteral("x")), 1}};
        ToolButton2Click(h.core);
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8("该文件不存在！"));
        EXPECT_EQ(h.dialogs.shown[0].caption, QString::fromUtf8(" 信息 "));
        EXPECT_EQ(h.dialogs.shown[0].buttons, Ok);
        EXPECT_EQ(h.dialogs.shown[0].icon, Icon::None);
        EXPECT_EQ(h.read(QStringLiteral("x.pzo")), targetExists ? QByteArray("older") : QByteArray());
        EXPECT_TRUE(h.timer.enabled());
    }
}

TEST(SaveCommand, RecordCopyThatCannotBeWrittenSaysCannotOpen)
{
    Harness h;
    Record(h, 1);
    ToolButton3Click(h.core);  // stop
    ASSERT_TRUE(QDir(h.dir.path()).mkdir(QStringLiteral("taken.pzo")));
    h.write(QStringLiteral("locked.pzo"), QByteArray("mine"));
    ASSERT_TRUE(QFile::setPermissions(h.path(QStringLiteral("locked.pzo")), QFileDevice::ReadOwner));
    const bool root = ::geteuid() == 0;  // root writes anything: the read-only case says nothing then
    for (const char* name : {"taken", "locked"}) {
        SCOPED_TRACE(name);
        if (root && QLatin1String(name) == QLatin1String("locked")) continue;
        h.dialogs.shown.clear();
        h.dialogs.saveAnswers = {SaveChoice{h.path(QString::fromLatin1(name)), 1}};
        ToolButton2Click(h.core);
        ASSERT_EQ(h.dialogs.shown.size(), 1u);
        EXPECT_EQ(h.dialogs.shown[0].text, QString::fromUtf8(" 无法打开文件！"));
        EXPECT_EQ(h.dialogs.shown[0].caption, QString::fromUtf8(" 信息"));
        EXPECT_EQ(h.dialogs.shown[0].icon, Icon::Error);
        EXPECT_TRUE(h.timer.enabled());
    }
    EXPECT_EQ(h.read(QStringLiteral("locked.pzo")), QByteArray("mine"));
}

TEST(SaveCommand, TextAlwaysAppendsItsExtension)
{
    Harness h;
    Record(h, 3);
    ToolButton3Click(h.core);
    h.dialogs.saveAnswers = {SaveChoice{h.path(QStringLiteral("abc.txt")), 2}};
    ToolButton2Click(h.core);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_FALSE(QFileInfo::exists(h.path(QStringLiteral("abc.txt"))));
    const QByteArray bytes = h.read(QStringLiteral("abc.txt.txt"));
    EXPECT_EQ(bytes.count("\r\n"), 4);
    EXPECT_TRUE(bytes.endsWith("\t\t\t\t\t\r\n"));
    EXPECT_TRUE(h.timer.enabled());
    // The pauses and the progress window lie between the dialog and the restart.
    EXPECT_EQ(std::count(h.log.begin(), h.log.end(), QStringLiteral("pause 1000")), 2);
}

TEST(SaveCommand, UnknownFilterIndexWritesNothing)
{
    Harness h;
    ASSERT_TRUE(ParseTextFile(h.core, "1\t50.0\tA\tt\td\t"));
    h.dialogs.saveAnswers = {SaveChoice{h.path(QStringLiteral("z")), 4}};
    ToolButton2Click(h.core);
    EXPECT_TRUE(h.dialogs.shown.empty());
    EXPECT_TRUE(QDir(h.dir.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(h.timer.enabled());
}

}  // namespace
}  // namespace pelzo::test
