// The SD card window and command as real widgets (offscreen) over the virtual meter.
#include "app/commands.h"
#include "files/record.h"
#include "sdcard/cardtexts.h"
#include "sdcard/ui/sdcardwindow.h"
#include "tests/sdcard/cardfixture.h"
#include "tests/support/testseams.h"
#include "vmeter/preload.h"
#include "vmeter/sanitizer_defaults.h"
#include "vmeter/virtualmeter.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS

namespace pelzo::test {
namespace {

constexpr uint32_t Samples[] = {0x73322D2A, 0x73342D2B, 0x73362D2C};

struct WindowTest : ::testing::Test, pelzo::test::CoreFixture {
    WindowTest() : card(Layout::Plain, 1)
    {
        // A recording of the meter's own beside the test files.
        recName = MakeRecordName(2013, 6, 15, 14, 30, 20) + ".PZO";
        QFile rec(card.dirPath() + "/src/rec.pzo");
        rec.open(QIODevice::WriteOnly);
        for (uint32_t w : Samples) rec.write(reinterpret_cast<const char*>(&w), 4);
        rec.close();
        const ShellResult r = Sh(QStringLiteral("mcopy -i '%1' '%2/src/rec.pzo' '::%3'").arg(card.path(), card.dirPath(), recName));
        EXPECT_EQ(r.rc, 0) << r.out.toStdString();
        vm.attachCard(card.path().toStdString());
        st.AppDir = appDir.path();
        st.UsbLinked = usb.OpenMeter() == MeterOpened;
        timer.setEnabled(true);
    }
    int rowOf(TForm_sd& w, const QString& name)
    {
        for (int i = 0; i < w.ListView1->topLevelItemCount(); ++i)
            if (w.ListView1->topLevelItem(i)->text(0) == name) return i;
        return -1;
    }
    void pick(TForm_sd& w, int row)
    {
        w.ListView1->clearSelection();
        w.ListView1->topLevelItem(row)->setSelected(true);
    }

    CardImage card;
    QString recName;
    QTemporaryDir appDir;
    vmeter::VirtualMeter vm;
};

TEST_F(WindowTest, FillsFiguresPieAndList)
{
    TForm_sd w(core, nullptr);
    EXPECT_EQ(dialogs.progress, std::vector<ProgressKind>{ProgressKind::Await});
    EXPECT_EQ(w.Label_FATTYPE->text(), " FAT32 ");
    const uint32_t free = card.minfo().out.section("free clusters=", 1).section('\n', 0, 0).toUInt();
    EXPECT_EQ(w.Label_FreeSpaceBity->text(), QString::number(uint64_t(free) * 512));
    EXPECT_EQ(w.Label_FreeSpaceMB->text(), MbText(uint64_t(free) * 512));
    const uint64_t total = w.Label_ALLSpaceBity->text().toULongLong();
    EXPECT_EQ(w.Label_UsedSpaceBity->text().toULongLong(), total - uint64_t(free) * 512);
    EXPECT_EQ(*w.Chart1->freeShare(), int(uint64_t(free) * 512 * 100 / total));
    ASSERT_EQ(w.ListView1->topLevelItemCount(), 8);
    EXPECT_EQ(w.ListView1->topLevelItem(0)->text(0), "...");
    EXPECT_EQ(w.ListView1->topLevelItem(0)->text(1), "");
    const int one = rowOf(w, "ONE     .bin");
    ASSERT_GT(one, 0);
    EXPECT_EQ(w.ListView1->topLevelItem(one)->text(1), "0.5   KB");
    EXPECT_EQ(w.ListView1->topLevelItem(one)->text(2), ShortDateText(QDate(2013, 6, 15)));
    EXPECT_EQ(w.ListView1->topLevelItem(one)->text(3), LongTimeText(QTime(14, 30, 20)));
    EXPECT_EQ(w.ListView1->columnCount(), 4);
    EXPECT_FALSE(w.Label_ListCut->isVisibleTo(&w));
    for (QPushButton* b : {w.Button1, w.Button4, w.Button5}) EXPECT_FALSE(b->isEnabled());
    for (QPushButton* b : {w.Button2, w.Button3, w.Button6}) EXPECT_TRUE(b->isEnabled());
    EXPECT_EQ(w.CurrentEntry, 0);
    EXPECT_TRUE(dialogs.shown.empty());
    w.show();
    EXPECT_FALSE(w.grab().isNull());
}

TEST_F(WindowTest, DeleteActsOnThePickedFileOnly)
{
    TForm_sd w(core, nullptr);
    w.Button2Click();  // nothing picked yet: the root
    ASSERT_EQ(dialogs.texts(), QStringList{MsgCannotDeleteRoot});
    EXPECT_EQ(dialogs.shown[0].buttons, Cancel);
    EXPECT_EQ(dialogs.shown[0].icon, Icon::Warning);

    const int lines = rowOf(w, "LINES   .txt");
    pick(w, lines);
    dialogs.answers = {No};
    w.Button2Click();
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 8);

    dialogs.shown.clear();
    dialogs.answers = {Yes};
    w.Button2Click();
    EXPECT_EQ(dialogs.texts(), QStringList{MsgReallyDelete});
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 7);
    EXPECT_EQ(rowOf(w, "LINES   .txt"), -1);
    EXPECT_FALSE(card.mdir().out.contains("LINES"));

    // Again without picking: the question, then the walk's own message.
    dialogs.shown.clear();
    w.Button2Click();
    EXPECT_EQ(dialogs.texts(), (QStringList{MsgReallyDelete, MsgFileNotExist}));

    // The row now where LINES was stands for its own file.
    pick(w, lines);
    EXPECT_EQ(w.ListView1->topLevelItem(lines)->text(0), w.ListView1->topLevelItem(lines)->text(0));
    const QString below = w.ListView1->topLevelItem(lines)->text(0);
    dialogs.shown.clear();
    w.Button2Click();
    EXPECT_EQ(rowOf(w, below), -1);
    EXPECT_TRUE(card.mdir().out.contains("ONE"));
}

TEST_F(WindowTest, UploadAddsTheCardExtension)
{
    TForm_sd w(core, nullptr);
    pick(w, rowOf(w, "LINES   .txt"));
    const QString base = appDir.filePath("abc");
    dialogs.saveAnswers = {SaveChoice{base, 1}, SaveChoice{base + ".txt", 1}, std::nullopt};
    w.Button3Click();
    w.Button3Click();
    w.Button3Click();  // cancelled: nothing
    EXPECT_EQ(ReadAll(base + ".TXT"), card.source("lines.txt"));
    EXPECT_EQ(ReadAll(base + ".txt.TXT"), card.source("lines.txt"));
    EXPECT_EQ(QDir(appDir.path()).entryList(QDir::Files).size(), 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WindowTest, OpenCopiesIntoTheStartFolderAndTheCommandLoadsIt)
{
    // The installed program starts in ~/.local/share/pelzo: dotted folders above the copy.
    const QString dotted = appDir.filePath(QStringLiteral("j.smith/.local/share/pelzo"));
    ASSERT_TRUE(QDir().mkpath(dotted));
    st.AppDir = dotted;
    bool timerWasOff = false;
    QTimer::singleShot(0, [&] {
        auto* w = qobject_cast<TForm_sd*>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        timerWasOff = !timer.enabled();
        QString shown = recName;
        shown.replace(".PZO", ".pzo");
        pick(*w, rowOf(*w, shown));
        w->Button6->click();
    });
    ToolButton6Click(core, nullptr);
    EXPECT_TRUE(timerWasOff);
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(st.OpenFileName, dotted + '/' + recName);
    EXPECT_EQ(ReadAll(st.OpenFileName), card.source("rec.pzo"));
    EXPECT_EQ(st.SampleCount, 3u);
    EXPECT_TRUE(dialogs.shown.empty()) << dialogs.texts().join('|').toStdString();
}

TEST_F(WindowTest, CommandWithoutCardOrLink)
{
    vm.detachCard();
    ToolButton6Click(core, nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{MsgNoCard});
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(vm.transferCount(), 1u);

    dialogs.shown.clear();
    st.UsbLinked = false;
    ToolButton6Click(core, nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbNotLinked});
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(vm.transferCount(), 1u);
}

TEST_F(WindowTest, ACardWithoutFat32ShowsNoFigures)
{
    QTemporaryDir dir;
    QFile blank(dir.filePath("blank.img"));
    blank.open(QIODevice::WriteOnly);
    blank.resize(1 << 20);
    blank.close();
    vm.attachCard(blank.fileName().toStdString());
    TForm_sd w(core, nullptr);
    EXPECT_EQ(w.Label_FATTYPE->text(), "");
    EXPECT_EQ(w.Label_ALLSpaceBity->text(), "");
    EXPECT_EQ(w.Label_FreeSpaceMB->text(), "");
    EXPECT_FALSE(w.Chart1->freeShare().has_value());
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    w.show();
    EXPECT_FALSE(w.grab().isNull());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WindowTest, ALinkLostWhileFillingShowsOneMessage)
{
    vm.failTransfer(vm.transferCount() + 9);  // inside the second sector of the mount
    TForm_sd w(core, nullptr);
    EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbLost});
    EXPECT_EQ(w.Label_FATTYPE->text(), "");
    EXPECT_EQ(w.ListView1->topLevelItemCount(), 0);
    dialogs.shown.clear();
    w.Button6Click();
    w.Button2Click();
    EXPECT_TRUE(st.OpenFileName.isEmpty());
    EXPECT_EQ(dialogs.texts(), QStringList{MsgCannotDeleteRoot});  // nothing from the card
}

}  // namespace
}  // namespace pelzo::test

int main(int argc, char** argv)
{
    pelzo::vmeter::EnsurePreloaded(argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
