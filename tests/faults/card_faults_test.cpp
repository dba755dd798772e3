// Every transfer of a card listing, a copy and a deletion fails in turn, through the real libusb
// 0.1 against the virtual meter, with the protocol's pauses recorded instead of waited for. Each
// time: no crash, exactly the one message of the lost link, and a card that is as before, as
// after the whole operation, or (a deletion cut short) changed only in bytes that the whole
// deletion changes too: no other file can be damaged or cross-linked then. fsck.fat -n gives the
// same verdict as before or after the operation, or reports nothing but the deleted file's
// orphaned clusters and free count.
#include "meter/appusb.h"
#include "sdcard/cardcheck.h"
#include "sdcard/cardtexts.h"
#include "sdcard/fat32.h"
#include "sdcard/sector.h"
#include "tests/support/testseams.h"
#include "vmeter/virtualmeter.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstring>
#include <functional>
#include <iostream>

using namespace pelzo;
using namespace pelzo::test;
using pelzo::vmeter::VirtualMeter;

namespace {

struct Shell {
    int status;
    QString output;
};

Shell Sh(const QString& script, const QString& dir)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(QProcess::MergedChannels);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MTOOLS_SKIP_CHECK"), QStringLiteral("1"));
    // The tools must not see the virtual meter's testbed through the preload.
    env.remove(QStringLiteral("LD_PRELOAD"));
    env.remove(QStringLiteral("UMOCKDEV_DIR"));
    p.setProcessEnvironment(env);
    p.start(QStringLiteral("/bin/bash"), {QStringLiteral("-c"), script});
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {-1, QStringLiteral("timed out")};
    }
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// fsck.fat -n's findings without the lines that name the image or count its files.
QString FsckFindings(const QString& image, const QString& dir)
{
    const Shell r = Sh(QStringLiteral("fsck.fat -n '%1' 2>&1 | grep -v -e '^fsck.fat ' -e ' files, ' -e '^Leaving filesystem'")
                           .arg(image),
                       dir);
    return r.output.trimmed();
}

// A card of mkfs.fat and mtools: a one-cluster recording, a three-cluster file with a long name,
// an empty file and a folder.
struct Card {
    QTemporaryDir dir;
    QString image = dir.filePath(QStringLiteral("card.img"));
    QByteArray original;
    QByteArray one, several;

    Card()
    {
        one = QByteArray::fromHex("2a2d32730a803273");
        several.fill('s', 1300);
        WriteFile(QStringLiteral("one"), one);
        WriteFile(QStringLiteral("several"), several);
        const Shell r = Sh(QStringLiteral("truncate -s 34M card.img && mkfs.fat -F 32 -s 1 -n PELZOCARD card.img >/dev/null && "
                                          "mcopy -i card.img one ::BE6O0327.PZO && "
                                          "mcopy -i card.img several '::Several clusters.bin' && "
                                          ": > empty && mcopy -i card.img empty ::EMPTY.TXT && mmd -i card.img ::SUB"),
                           dir.path());
        EXPECT_EQ(r.status, 0) << r.output.toStdString();
        original = ReadAll(image);
    }
    void WriteFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    // Puts back every sector that differs from `bytes`.
    void Restore(const QByteArray& bytes)
    {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const QByteArray now = f.readAll();
        ASSERT_EQ(now.size(), bytes.size());
        for (qsizetype at = 0; at < now.size(); at += SectorSize) {
            if (std::memcmp(now.constData() + at, bytes.constData() + at, SectorSize) == 0) continue;
            ASSERT_TRUE(f.seek(at));
            ASSERT_EQ(f.write(bytes.constData() + at, SectorSize), SectorSize);
        }
    }
};

// Every byte is as before or as after the whole operation.
bool WithinChanges(const QByteArray& now, const QByteArray& before, const QByteArray& after)
{
    if (now.size() != before.size() || now.size() != after.size()) return false;
    for (qsizetype at = 0; at < now.size(); at += SectorSize) {
        const char* n = now.constData() + at;
        if (std::memcmp(n, before.constData() + at, SectorSize) == 0 || std::memcmp(n, after.constData() + at, SectorSize) == 0)
            continue;
        for (qsizetype i = 0; i < SectorSize; ++i)
            if (n[i] != before[at + i] && n[i] != after[at + i]) return false;
    }
    return true;
}

struct CardFaults : ::testing::Test {
    VirtualMeter vm;
    ScriptedDialogs dialogs;
    RecordingPause pause;
    Appusb usb{dialogs, pause};
    Card card;

    void SetUp() override
    {
        ASSERT_FALSE(card.original.isEmpty());
        vm.attachCard(card.image.toStdString());
    }

    // The card command's steps as `pelzo card` takes them: link, request 2 and its card bit,
    // mount, then the operation. False when a step did not get through.
    bool RunCommand(const std::function<void(Fat32&)>& operation)
    {
        if (usb.OpenMeter() != MeterOpened) return false;
        if (CheckCardPresent(usb) != CardCheck::Present) return false;
        MeterCard meterCard(usb);
        Fat32 fs(meterCard, dialogs);
        if (fs.MountVolume() != MountOk) return false;
        operation(fs);
        return !fs.transferFailed();
    }

    // Runs the operation once whole (its transfer count and the card after it), then once for
    // every transfer failing in turn; `check` judges each cut-short run, `prepare` runs before
    // each run.
    void EveryTransferFails(const std::function<void(Fat32&)>& operation, const std::function<void(unsigned n)>& check,
                            const std::function<void()>& prepare = [] {})
    {
        prepare();
        const unsigned base = vm.transferCount();
        ASSERT_TRUE(RunCommand(operation));
        ASSERT_TRUE(dialogs.shown.empty()) << dialogs.texts().join(QLatin1Char('|')).toStdString();
        const unsigned transfers = vm.transferCount() - base;
        ASSERT_GT(transfers, 0u);
        after = ReadAll(card.image);
        afterFindings = FsckFindings(card.image, card.dir.path());
        card.Restore(card.original);
        for (unsigned n = 1; n <= transfers; ++n) {
            SCOPED_TRACE(::testing::Message() << "transfer " << n << " of " << transfers << " fails");
            dialogs.shown.clear();
            prepare();
            vm.failTransfer(vm.transferCount() + n);
            EXPECT_FALSE(RunCommand(operation));
            EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbLost});
            EXPECT_FALSE(usb.hasHandle());
            check(n);
            card.Restore(card.original);
        }
        EXPECT_EQ(ReadAll(card.image), card.original);
    }

    QByteArray after;
    QString afterFindings;
};

TEST_F(CardFaults, ListingLeavesTheCardUnchanged)
{
    int listed = -1;
    EveryTransferFails([&](Fat32& fs) {
                           fs.ListRootDir();
                           if (listed < 0) listed = fs.EntryCount();  // the whole run comes first
                       },
                       [&](unsigned) { EXPECT_EQ(ReadAll(card.image), card.original); });
    EXPECT_EQ(after, card.original);
    EXPECT_EQ(listed, 5);  // label, the three files, the folder
}

TEST_F(CardFaults, CopyLeavesTheCardUnchangedAndNeverClaimsAWholeFile)
{
    QByteArray copied, wholeCopy;
    bool complete = false;
    const Name11 name = *ShortNameOf("SEVERA~1.BIN");
    EveryTransferFails(
        [&](Fat32& fs) {
            QBuffer out;
            out.open(QIODevice::WriteOnly);
            fs.CopyCardEntry(name, out);
            copied = out.data();
            complete = fs.complete();
            if (wholeCopy.isNull()) wholeCopy = copied;  // the whole run comes first
        },
        [&](unsigned) {
            EXPECT_EQ(ReadAll(card.image), card.original);
            EXPECT_FALSE(complete);
            EXPECT_TRUE(card.several.startsWith(copied));
        },
        [&] {
            copied.clear();
            complete = false;
        });
    EXPECT_EQ(after, card.original);
    EXPECT_EQ(wholeCopy, card.several);
}

TEST_F(CardFaults, DeletionCutShortOrphansAtMostTheDeletedFilesClusters)
{
    const Name11 name = *ShortNameOf("SEVERA~1.BIN");
    const QString beforeFindings = FsckFindings(card.image, card.dir.path());
    int partial = 0;
    EveryTransferFails([&](Fat32& fs) { fs.DeleteCardFile(name); },
                       [&](unsigned) {
                           const QByteArray now = ReadAll(card.image);
                           if (now == card.original || now == after) return;
                           ++partial;
                           EXPECT_TRUE(WithinChanges(now, card.original, after));
                           // fsck.fat sees at most the deleted file's clusters lost and the free
                           // count behind; nothing about the other files.
                           const QString findings = FsckFindings(card.image, card.dir.path());
                           for (const QString& line : findings.split(QLatin1Char('\n'))) {
                               EXPECT_FALSE(line.contains(QLatin1String("ross-link"))) << line.toStdString();
                               EXPECT_FALSE(line.contains(QLatin1String("BE6O0327"))) << line.toStdString();
                               EXPECT_FALSE(line.contains(QLatin1String("EMPTY"))) << line.toStdString();
                               EXPECT_FALSE(line.contains(QLatin1String("SUB"))) << line.toStdString();
                           }
                       });
    EXPECT_NE(after, card.original);
    EXPECT_GT(partial, 0);  // some cuts land between the deletion's writes
    // The whole deletion: fsck.fat finds nothing but what a deletion in the first FAT leaves.
    EXPECT_TRUE(WithinChanges(after, card.original, after));
    EXPECT_EQ(beforeFindings, QString());
    std::cerr << "fsck.fat after the whole deletion: " << afterFindings.toStdString() << "\n";
}

}  // namespace
