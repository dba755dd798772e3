// Damaged and hostile cards: every walk ends, the reserved FAT entries and the boot sector are
// never written, and nothing divides by a zero field.
#include "sdcard/fat32.h"
#include "sdcard/imagecard.h"
#include "tests/sdcard/cardfixture.h"
#include "tests/support/testseams.h"

#include <QBuffer>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>

namespace pelzo::test {
namespace {

// A card over the test's image bytes without copying them: writes land in an overlay, and the
// sectors moved are counted, so a test can tell that a walk stayed bounded.
class CountingCard final : public SectorDevice {
public:
    explicit CountingCard(const std::vector<uint8_t>& base) : base_(base) {}
    bool readSector(uint32_t s, std::span<uint8_t, SectorSize> b) override
    {
        ++reads;
        if (!holds(s)) return false;
        const Sector now = sector(s);
        std::copy(now.begin(), now.end(), b.begin());
        return true;
    }
    bool writeSector(uint32_t s, std::span<const uint8_t, SectorSize> b) override
    {
        ++writes;
        written.push_back(s);
        if (!holds(s)) return false;
        std::copy(b.begin(), b.end(), overlay_[s].begin());
        return true;
    }
    Sector sector(uint32_t s) const
    {
        if (const auto it = overlay_.find(s); it != overlay_.end()) return it->second;
        Sector out{};
        std::copy_n(base_.begin() + std::ptrdiff_t(uint64_t(s) * SectorSize), SectorSize, out.begin());
        return out;
    }
    uint8_t byteAt(size_t at) const { return sector(uint32_t(at / SectorSize))[at % SectorSize]; }
    long reads = 0, writes = 0;
    std::vector<uint32_t> written;

private:
    bool holds(uint32_t s) const { return (uint64_t(s) + 1) * SectorSize <= base_.size(); }
    const std::vector<uint8_t>& base_;
    std::map<uint32_t, Sector> overlay_;
};

uint32_t Get32(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24;
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}
void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// One plain card image (512-byte clusters), made once and copied into memory for every case.
class CorruptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { image_ = new CardImage(Layout::Plain, 1); }
    static void TearDownTestSuite()
    {
        delete image_;
        image_ = nullptr;
    }

    CorruptTest()
    {
        const QByteArray raw = ReadAll(image_->path());
        bytes.assign(raw.begin(), raw.end());
        rsvd = bytes[14] | bytes[15] << 8;
        fatSize = Get32(bytes, 36);
        fat = size_t(rsvd) * 512;
        root = (size_t(rsvd) + 2 * fatSize) * 512;  // cluster 2
    }

    // Byte offset of the root entry with this DIR_Name.
    size_t entry(const char* name11) const
    {
        for (size_t at = root;; at += 32) {
            if (bytes[at] == 0) return 0;
            if (std::equal(name11, name11 + 11, bytes.begin() + std::ptrdiff_t(at))) return at;
        }
    }
    uint32_t firstCluster(const char* name11) const
    {
        const size_t e = entry(name11);
        return uint32_t(bytes[e + 20] | bytes[e + 21] << 8) << 16 | uint32_t(bytes[e + 26] | bytes[e + 27] << 8);
    }
    void setFat(uint32_t c, uint32_t v) { Put32(bytes, fat + 4 * c, v); }
    // The root directory without its end marker: the walk must go on to the FAT.
    void openEndOfRoot()
    {
        for (size_t at = root; at < root + 512; at += 32)
            if (bytes[at] == 0) bytes[at] = 0xE5;
    }

    struct Run {
        int mount = -1;
        int entries = 0;
        QStringList messages;
        Sector boot{}, fatStart{};  // afterwards
        long reads = 0;
        std::vector<uint32_t> written;
    };
    // Mount, list, copy every listed entry and delete every listed entry.
    Run runAll()
    {
        CountingCard card(bytes);
        ScriptedDialogs dialogs;
        Fat32 fs(card, dialogs);
        Run r;
        r.mount = fs.MountVolume();
        fs.ListRootDir();
        r.entries = fs.EntryCount();
        const auto table = fs.EntryTable();
        for (const DirEntry& e : table) {
            QBuffer out;
            out.open(QIODevice::ReadWrite);
            fs.CopyCardEntry(EntryName(e), out);
            EXPECT_LE(uint64_t(out.size()), uint64_t(EntryFileSize(e)));
        }
        for (const DirEntry& e : table) fs.DeleteCardFile(EntryName(e));
        r.messages = dialogs.texts();
        r.boot = card.sector(0);
        r.fatStart = card.sector(uint32_t(fat / 512));
        r.reads = card.reads;
        r.written = card.written;
        return r;
    }
    void expectReservedUntouched(const Run& r) const
    {
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 512, r.boot.begin())) << "boot sector written";
        EXPECT_TRUE(std::equal(bytes.begin() + std::ptrdiff_t(fat), bytes.begin() + std::ptrdiff_t(fat + 8),
                               r.fatStart.begin()))
            << "FAT entries 0 and 1 written";
    }

    static CardImage* image_;
    std::vector<uint8_t> bytes;
    uint32_t rsvd = 0, fatSize = 0;
    size_t fat = 0, root = 0;
};
CardImage* CorruptTest::image_ = nullptr;

TEST_F(CorruptTest, IntactCardRunsCleanly)
{
    const Run r = runAll();
    EXPECT_EQ(r.mount, MountOk);
    EXPECT_EQ(r.entries, 7);
    EXPECT_EQ(r.messages, QStringList{MsgCannotDeleteDir});
    expectReservedUntouched(r);
}

TEST_F(CorruptTest, BrokenRootChainsEndTheListing)
{
    const std::pair<const char*, uint32_t> cases[] = {
        {"loop to itself", 2}, {"free entry", 0}, {"reserved entry", 1}, {"past the volume", 0x0FFFFFF0}, {"end", 0x0FFFFFFF}};
    for (const auto& [what, next] : cases) {
        SCOPED_TRACE(what);
        const std::vector<uint8_t> keep = bytes;
        openEndOfRoot();
        setFat(2, next);
        CountingCard card(bytes);
        ScriptedDialogs dialogs;
        Fat32 fs(card, dialogs);
        ASSERT_EQ(fs.MountVolume(), MountOk);
        fs.ListRootDir();
        EXPECT_EQ(fs.EntryCount(), 6);
        EXPECT_EQ(dialogs.texts(), next == 0x0FFFFFFF ? QStringList{} : QStringList{MsgClusterError});
        EXPECT_LT(card.reads, 10);
        bytes = keep;
    }
}

TEST_F(CorruptTest, BrokenFileChainsEndCopyAndDeletion)
{
    const char* name = "ALONGF~1BIN";  // 10000 bytes, 20 clusters
    const uint32_t f = firstCluster(name);
    struct Case {
        const char* what;
        std::function<void()> damage;
        qint64 copied;  // bytes before the break
    } cases[] = {
        {"loop back to the start", [&] { setFat(f + 4, f); }, 5 * 512},
        {"free entry inside", [&] { setFat(f + 2, 0); }, 3 * 512},
        {"early end mark", [&] { setFat(f + 2, 0x0FFFFFFF); }, 3 * 512},
        {"reserved entry", [&] { setFat(f, 1); }, 512},
        {"past the volume", [&] { setFat(f + 1, 0x0FFFFFF5); }, 2 * 512},
        {"first cluster past the volume", [&] { Put16(bytes, entry(name) + 20, 0x0FFF); }, 0},
        {"first cluster 0", [&] { Put16(bytes, entry(name) + 26, 0); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> keep = bytes;
        c.damage();
        const std::vector<uint8_t> damaged = bytes;
        {
            CountingCard card(bytes);
            ScriptedDialogs dialogs;
            Fat32 fs(card, dialogs);
            ASSERT_EQ(fs.MountVolume(), MountOk);
            QBuffer out;
            out.open(QIODevice::ReadWrite);
            EXPECT_EQ(fs.CopyCardFile("ALONGF~1.BIN", out), CopyEnded);
            EXPECT_FALSE(fs.complete());
            EXPECT_EQ(out.size(), c.copied);
            EXPECT_EQ(dialogs.texts(), QStringList{MsgClusterError});
            EXPECT_LT(card.reads, 100);

            fs.DeleteCardFile(*ShortNameOf("ALONGF~1.BIN"));
            EXPECT_LT(card.reads, 200);
            EXPECT_EQ(card.byteAt(entry(name)), 0xE5);
        }
        const Run r = runAll();
        expectReservedUntouched(r);
        bytes = keep;
    }
}

TEST_F(CorruptTest, HugeSizeStopsAtTheChainEnd)
{
    Put32(bytes, entry("ONE     BIN") + 28, 0xFFFFFFFF);
    CountingCard card(bytes);
    ScriptedDialogs dialogs;
    Fat32 fs(card, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    fs.CopyCardFile("ONE.BIN", out);
    EXPECT_EQ(out.size(), 512);
    EXPECT_EQ(dialogs.texts(), QStringList{MsgClusterError});
}

TEST_F(CorruptTest, UnusableGeometryDoesNotMount)
{
    struct Case {
        const char* what;
        size_t at;
        int width;
        uint32_t value;
    } cases[] = {
        {"bytes per sector 0", 11, 2, 0},     {"bytes per sector 4096", 11, 2, 4096}, {"bytes per sector 256", 11, 2, 256},
        {"sectors per cluster 0", 13, 1, 0},  {"reserved sectors 0", 14, 2, 0},       {"reserved sectors 1", 14, 2, 1},
        {"no FAT", 16, 1, 0},                 {"FAT size 0", 36, 4, 0},               {"total sectors 0", 32, 4, 0},
        {"total sectors inside the FATs", 32, 4, 100}, {"no jump byte", 0, 1, 0x00},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<uint8_t> keep = bytes;
        for (int i = 0; i < c.width; ++i) bytes[c.at + size_t(i)] = uint8_t(c.value >> (8 * i));
        const Run r = runAll();
        EXPECT_EQ(r.mount, MountFailed);
        EXPECT_EQ(r.entries, 0);
        EXPECT_TRUE(r.written.empty());
        EXPECT_TRUE(r.messages.isEmpty());
        bytes = keep;
    }
}

TEST_F(CorruptTest, MasterBootRecordRules)
{
    // Sector 0 that is neither a boot sector nor signed: not a card we know.
    bytes[0] = 0x33;
    EXPECT_EQ(runAll().mount, MountFailed);
    // Signed, pointing past the card: the read fails and nothing is written.
    bytes[510] = 0x55;
    bytes[511] = 0xAA;
    Put32(bytes, 454, 0x7FFFFFFF);
    const Run r = runAll();
    EXPECT_EQ(r.mount, MountFailed);
    EXPECT_TRUE(r.written.empty());
}

TEST_F(CorruptTest, UnusableFreeCountIsLeftAlone)
{
    const size_t fsinfo = 512;
    for (uint32_t bad : {0xFFFFFFFFu, 0x7FFFFFFFu}) {
        const std::vector<uint8_t> keep = bytes;
        Put32(bytes, fsinfo + 488, bad);
        CountingCard card(bytes);
        ScriptedDialogs dialogs;
        Fat32 fs(card, dialogs);
        ASSERT_EQ(fs.MountVolume(), MountOk);
        EXPECT_FALSE(fs.volume().FreeCountValid);
        EXPECT_EQ(fs.volume().FreeBytes, 0u);
        fs.DeleteCardFile(*ShortNameOf("ALONGF~1.BIN"));
        EXPECT_EQ(fs.GetFsInfo(FsInfoField::FreeCount), bad);
        bytes = keep;
    }
    // A broken signature: the sector is never written.
    bytes[fsinfo + 511] = 0;
    CountingCard card(bytes);
    ScriptedDialogs dialogs;
    Fat32 fs(card, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    EXPECT_EQ(fs.GetFsInfo(FsInfoField::FreeCount), FsInfoInvalid);
    fs.DeleteCardFile(*ShortNameOf("ALONGF~1.BIN"));
    const Sector fsinfoAfter = card.sector(1);
    EXPECT_TRUE(std::equal(bytes.begin() + 512, bytes.begin() + 1024, fsinfoAfter.begin()));
    EXPECT_EQ(std::count(card.written.begin(), card.written.end(), 1u), 0);
}

TEST_F(CorruptTest, FreeCountNeverExceedsTheVolume)
{
    CountingCard probe(bytes);
    ScriptedDialogs d;
    Fat32 p(probe, d);
    ASSERT_EQ(p.MountVolume(), MountOk);
    const uint32_t clusters = p.volume().ClusterCount;
    Put32(bytes, 512 + 488, clusters - 1);
    CountingCard card(bytes);
    Fat32 fs(card, d);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    fs.DeleteCardFile(*ShortNameOf("ALONGF~1.BIN"));
    EXPECT_EQ(fs.GetFsInfo(FsInfoField::FreeCount), clusters);
}

TEST_F(CorruptTest, ATransferThatFailsEndsTheOperationWithoutWriting)
{
    // The image ends inside the file's clusters: the copy stops there, the deletion's walk
    // too, and no write follows a read that did not arrive.
    const uint32_t f = firstCluster("ALONGF~1BIN");
    const size_t cut = root + size_t(f - 2 + 3) * 512;
    bytes.resize(cut);
    CountingCard card(bytes);
    ScriptedDialogs dialogs;
    Fat32 fs(card, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(fs.CopyCardFile("ALONGF~1.BIN", out), CopyTransferFailed);
    EXPECT_TRUE(fs.transferFailed());
    EXPECT_EQ(out.size(), 3 * 512);
    EXPECT_TRUE(dialogs.shown.empty());  // the device's failure is not reported twice

    // A listing of a root whose second cluster is missing from the card.
    openEndOfRoot();
    setFat(2, uint32_t(cut / 512 - (root / 512) + 2 + 5));
    setFat(uint32_t(cut / 512 - (root / 512) + 2 + 5), 0x0FFFFFFF);
    CountingCard card2(bytes);
    Fat32 fs2(card2, dialogs);
    ASSERT_EQ(fs2.MountVolume(), MountOk);
    fs2.DeleteCardFile(*ShortNameOf("NOTHERE.TXT"));
    EXPECT_TRUE(fs2.transferFailed());
    EXPECT_TRUE(card2.written.empty());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(CorruptTest, RandomDamageNeverCrashesOrHangs)
{
    std::mt19937 rng(20240611);
    // The sectors the layer reads: boot sector, FSInfo, the first FAT sector, the root directory.
    const size_t hot[] = {0, 512, fat, root};
    for (int round = 0; round < 2000; ++round) {
        std::vector<std::pair<size_t, uint8_t>> undo;
        const int flips = 1 + int(rng() % 12);
        for (int i = 0; i < flips; ++i) {
            const size_t at = hot[rng() % 4] + rng() % 512;
            undo.emplace_back(at, bytes[at]);
            bytes[at] = uint8_t(rng());
        }
        const Run r = runAll();
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 512, r.boot.begin())) << "round " << round;
        EXPECT_LT(r.reads, 20000) << "round " << round;
        for (auto it = undo.rbegin(); it != undo.rend(); ++it) bytes[it->first] = it->second;
    }
}

TEST(LongDirectory, TheFirst500EntriesAreListedAndTheCutIsKnown)
{
    QTemporaryDir dir;
    const QString img = dir.filePath("card.img");
    const ShellResult r = Sh(QStringLiteral("cd %1 && truncate -s 40M card.img && mkfs.fat -F 32 card.img >/dev/null && "
                                            "mkdir f && for i in $(seq 1 520); do : > f/F$i.TXT; done && "
                                            "mcopy -i card.img f/* ::")
                                 .arg(dir.path()));
    ASSERT_EQ(r.rc, 0) << r.out.toStdString();
    FileCard card(img, true);
    ScriptedDialogs dialogs;
    Fat32 fs(card, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    fs.ListRootDir();
    EXPECT_EQ(fs.EntryCount(), MaxEntries);
    EXPECT_TRUE(fs.listCut());
    // A file beyond the table is still found by name.
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(fs.CopyCardFile("F99.TXT", out), CopyEnded);
    EXPECT_TRUE(fs.complete());
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST(SmallVolume, SizeInTheSixteenBitFieldMounts)
{
    // Under 65536 sectors mkfs.fat writes the size into the 16-bit field only.
    QTemporaryDir dir;
    const QString img = dir.filePath("card.img");
    // (mtools takes such a volume for FAT16 and cannot fill it.)
    const ShellResult r = Sh(QStringLiteral("cd %1 && truncate -s 20M card.img && mkfs.fat -F 32 card.img >/dev/null 2>&1 && "
                                            "fsck.fat -n card.img")
                                 .arg(dir.path()));
    ASSERT_EQ(r.rc, 0) << r.out.toStdString();
    const QRegularExpression clusters(QStringLiteral("(\\d+)/(\\d+) clusters"));
    const auto m = clusters.match(r.out);
    ASSERT_TRUE(m.hasMatch()) << r.out.toStdString();
    FileCard card(img, true);
    ScriptedDialogs dialogs;
    Fat32 fs(card, dialogs);
    ASSERT_EQ(fs.MountVolume(), MountOk);
    const VolumeState& v = fs.volume();
    EXPECT_EQ(v.ClusterCount, m.captured(2).toUInt());
    ASSERT_TRUE(v.FreeCountValid);
    EXPECT_EQ(v.FreeBytes, uint64_t(v.ClusterCount - 1) * v.SectorsPerCluster * 512);  // the root's cluster is used
    fs.ListRootDir();
    EXPECT_EQ(fs.EntryCount(), 0);
    EXPECT_TRUE(dialogs.shown.empty());
}

}  // namespace
}  // namespace pelzo::test
