// The FAT32 layer over real card images made by mkfs.fat and mtools, checked against mtools and
// fsck.fat.
#include "sdcard/cardtexts.h"
#include "sdcard/fat32.h"
#include "meter/words.h"
#include "sdcard/imagecard.h"
#include "tests/sdcard/cardfixture.h"
#include "tests/support/testseams.h"

#include <QBuffer>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace pelzo::test {
namespace {

Name11 N(const char* dotted) { return *ShortNameOf(dotted); }

uint32_t MinfoField(const QString& minfo, const char* key)
{
    const QRegularExpression re(QString::fromLatin1(key) + QStringLiteral("=(\\d+)"));
    const auto m = re.match(minfo);
    return m.hasMatch() ? m.captured(1).toUInt() : 0xFFFFFFFF;
}

class ImageTest : public ::testing::TestWithParam<CardLayout> {
protected:
    ImageTest() : card(GetParam().layout, GetParam().sectorsPerCluster) {}
    uint32_t clusterBytes() const { return uint32_t(GetParam().sectorsPerCluster) * 512; }

    // A copy of a card file through the layer, as the window's upload does it.
    QByteArray copy(Fat32& fs, const Name11& name, std::vector<uint64_t>* progress = nullptr)
    {
        QBuffer out;
        out.open(QIODevice::ReadWrite);
        const int r = fs.CopyCardEntry(name, out, [&](uint64_t done, uint64_t size) {
            if (progress) progress->push_back(done);
            EXPECT_LE(done, size);
        });
        EXPECT_EQ(r, CopyEnded);
        EXPECT_TRUE(fs.complete());
        return out.data();
    }

    CardImage card;
    ScriptedDialogs dialogs;
};

TEST_P(ImageTest, MountsWithTheFiguresMtoolsReports)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    const VolumeState& v = fs.volume();
    EXPECT_EQ(v.PartStart, card.partStart());
    EXPECT_EQ(v.SectorsPerCluster, uint32_t(GetParam().sectorsPerCluster));
    EXPECT_EQ(v.DataStart, v.PartStart + v.ReservedSectors + 2 * v.FatSize);

    const ShellResult fsck = card.fsck();
    const QRegularExpression clusters(QStringLiteral("(\\d+)/(\\d+) clusters"));
    const auto m = clusters.match(fsck.out);
    ASSERT_TRUE(m.hasMatch()) << fsck.out.toStdString();
    EXPECT_EQ(v.ClusterCount, m.captured(2).toUInt());
    EXPECT_GE(v.TotalBytes, uint64_t(v.ClusterCount) * clusterBytes());
    EXPECT_LT(v.TotalBytes, uint64_t(v.ClusterCount + 1) * clusterBytes());

    const uint32_t free = MinfoField(card.minfo().out, "free clusters");
    EXPECT_TRUE(v.FreeCountValid);
    EXPECT_EQ(v.FreeBytes, uint64_t(free) * clusterBytes());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(ImageTest, ListsTheRootDirectoryAsTheWindowShowsIt)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    fs.ListRootDir();
    // The label first, then the entries in directory order: no deleted entry, no long-name part.
    std::vector<QString> names;
    for (const DirEntry& e : fs.EntryTable()) names.push_back(CardText(DottedName(EntryName(e))));
    const std::vector<QString> expected{"PELZOCAR.D  ", "ONE     .BIN", "ALONGF~1.BIN", "SUBDIR  .   ", "EMPTY   .TXT",
                                        "LINES   .TXT", "ARATHE~1.TXT"};
    EXPECT_EQ(names, expected);
    EXPECT_FALSE(fs.listCut());

    const auto& t = fs.EntryTable();
    EXPECT_EQ(EntryRow(t[0], 0), (std::array<QString, 4>{"...", "", "", ""}));
    const QString oneSize = GetParam().sectorsPerCluster == 1 ? "0.5   KB" : "4   KB";
    EXPECT_EQ(EntryRow(t[1], 1), (std::array<QString, 4>{"ONE     .bin", oneSize, ShortDateText(QDate(2013, 6, 15)),
                                                          LongTimeText(QTime(14, 30, 20))}));
    EXPECT_EQ(EntryRow(t[2], 2)[0], "ALONGF~1.bin");
    EXPECT_EQ(EntryRow(t[2], 2)[1], "9.765   KB");
    EXPECT_EQ(EntryRow(t[3], 3)[0], "SUBDIR  .");
    EXPECT_EQ(EntryRow(t[4], 4)[1], "0   KB");
    EXPECT_EQ(EntryRow(t[5], 5)[1], "0.015   KB");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(ImageTest, CopiesFilesByteForByte)
{
    FileCard dev(card.path(), /*readOnly=*/true);
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    std::vector<uint64_t> progress;
    EXPECT_EQ(copy(fs, N("ONE.BIN"), &progress), card.source("one.bin"));
    EXPECT_EQ(progress.front(), 0u);
    EXPECT_EQ(progress.back(), uint64_t(clusterBytes()));
    EXPECT_EQ(copy(fs, N("ALONGF~1.BIN")), card.source("several.bin"));
    EXPECT_EQ(copy(fs, N("LINES.TXT")), card.source("lines.txt"));  // CR, LF and all
    EXPECT_EQ(copy(fs, N("EMPTY.TXT")), QByteArray());

    // The dotted form of the window's upload, blanks inside, any case.
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(fs.CopyCardFile("lines   .txt", out), CopyEnded);
    EXPECT_EQ(out.data(), card.source("lines.txt"));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(ImageTest, CopyAppendsAtTheOutputPosition)
{
    FileCard dev(card.path(), true);
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    out.write("head");
    EXPECT_EQ(fs.CopyCardFile("LINES.TXT", out), CopyEnded);
    EXPECT_EQ(out.data(), "head" + card.source("lines.txt"));
}

TEST_P(ImageTest, MissingAndInvalidNamesTellTheUser)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(fs.CopyCardFile("NOPE.TXT", out), CopyEnded);
    EXPECT_FALSE(fs.complete());
    EXPECT_EQ(fs.CopyCardFile("GONE.TXT", out), CopyEnded);  // deleted entries are not found
    EXPECT_EQ(fs.CopyCardFile("abcdefghi.txt", out), CopyInvalidName);
    EXPECT_EQ(fs.CopyCardFile("NODOT", out), CopyInvalidName);
    EXPECT_EQ(dialogs.texts(), (QStringList{MsgFileNotExist, MsgFileNotExist, MsgInvalidFileName, MsgInvalidFileName}));
    EXPECT_EQ(out.size(), 0);
}

TEST_P(ImageTest, DeletionLeavesACardThatMtoolsAndFsckAccept)
{
    const uint32_t clusters = (10000 + clusterBytes() - 1) / clusterBytes();
    uint32_t freeBefore = 0, nextBefore = 0, first = 0;
    {
        FileCard dev(card.path());
        Fat32 fs(dev, dialogs);
        ASSERT_EQ(fs.MountVolume(), MountOk);
        freeBefore = fs.GetFsInfo(FsInfoField::FreeCount);
        nextBefore = fs.GetFsInfo(FsInfoField::NextFree);
        fs.ListRootDir();
        first = EntryFirstCluster(fs.EntryTable()[2]);
        EXPECT_TRUE(fs.DeleteCardFile(N("ALONGF~1.BIN")));
        // Its long name runs over a sector end (a cluster end with one sector per cluster).
        EXPECT_TRUE(fs.DeleteCardFile(N("ARATHE~1.TXT")));
        EXPECT_TRUE(dialogs.shown.empty());
        EXPECT_FALSE(fs.transferFailed());
        EXPECT_EQ(fs.GetFsInfo(FsInfoField::FreeCount), freeBefore + clusters + 1);
        EXPECT_EQ(fs.GetFsInfo(FsInfoField::NextFree), std::min(first, nextBefore));
        for (uint32_t c = first; c < first + clusters; ++c) EXPECT_EQ(fs.GetFatEntry(c), 0u) << c;

        // The rest of the card is untouched and the volume's own figures follow the new count.
        EXPECT_EQ(copy(fs, N("ONE.BIN")), card.source("one.bin"));
        ASSERT_EQ(fs.MountVolume(), MountOk);
        EXPECT_EQ(fs.volume().FreeBytes, uint64_t(freeBefore + clusters + 1) * clusterBytes());
    }
    const ShellResult mdir = card.mdir();
    EXPECT_EQ(mdir.rc, 0) << mdir.out.toStdString();
    EXPECT_FALSE(mdir.out.contains("ALONGF~1")) << mdir.out.toStdString();
    EXPECT_FALSE(mdir.out.contains("A long file name")) << mdir.out.toStdString();
    EXPECT_FALSE(mdir.out.contains("ARATHE")) << mdir.out.toStdString();
    EXPECT_TRUE(mdir.out.contains("LINES")) << mdir.out.toStdString();
    EXPECT_EQ(card.mtoolsCopy("LINES.TXT"), card.source("lines.txt"));
    EXPECT_EQ(MinfoField(card.minfo().out, "free clusters"), freeBefore + clusters + 1);

    // Only the first FAT is written: that the copies differ is the one report allowed.
    const ShellResult fsck = card.fsck();
    QStringList unexpected;
    for (const QString& line : fsck.out.split('\n', Qt::SkipEmptyParts)) {
        if (line.startsWith("fsck.fat ") || line.contains(" files, ") || line.contains("FATs differ") ||
            line.contains("Leaving filesystem unchanged") || line.trimmed().startsWith("Using first FAT"))
            continue;
        unexpected << line;
    }
    EXPECT_TRUE(unexpected.isEmpty()) << fsck.out.toStdString();
}

TEST_P(ImageTest, DeletingTheEmptyFileAndTheLabelWritesNoFatEntry)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    const uint32_t freeBefore = fs.GetFsInfo(FsInfoField::FreeCount);
    const QByteArray before = ReadAll(card.path());
    fs.DeleteCardFile(N("EMPTY.TXT"));
    fs.DeleteCardFile(N("PELZOCAR.D"));
    EXPECT_EQ(fs.GetFsInfo(FsInfoField::FreeCount), freeBefore);
    // Only directory bytes changed: two first bytes.
    const QByteArray after = ReadAll(card.path());
    ASSERT_EQ(before.size(), after.size());
    int changed = 0;
    for (qsizetype i = 0; i < before.size(); ++i) changed += before[i] != after[i];
    EXPECT_EQ(changed, 2);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_P(ImageTest, ADirectoryIsNotDeleted)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    const QByteArray before = ReadAll(card.path());
    fs.DeleteCardFile(N("SUBDIR  ."));
    EXPECT_EQ(dialogs.texts(), QStringList{MsgCannotDeleteDir});
    EXPECT_EQ(ReadAll(card.path()), before);
}

TEST_P(ImageTest, DeletingTwiceTellsTheFileIsGone)
{
    FileCard dev(card.path());
    Fat32 fs(dev, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    fs.DeleteCardFile(N("ONE.BIN"));
    const QByteArray before = ReadAll(card.path());
    fs.DeleteCardFile(N("ONE.BIN"));
    EXPECT_EQ(dialogs.texts(), QStringList{MsgFileNotExist});
    EXPECT_EQ(ReadAll(card.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Layouts, ImageTest,
                         ::testing::Values(CardLayout{Layout::Plain, 1, "Plain"},
                                           CardLayout{Layout::Partitioned, 8, "Partitioned"},
                                           CardLayout{Layout::PartitionedHiddenZero, 1, "PartitionedHiddenZero"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace pelzo::test
