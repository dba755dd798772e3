// The card's FAT32 volume: mount, list, copy, delete over a card in memory, with no pauses.
// Input: two bytes (little-endian) naming the sector transfer that fails (0: none), then the
// card's first sectors; the card reads as zeros beyond them, like a freshly erased one.
#include "fuzz/fuzzcore.h"

#include "sdcard/fat32.h"

#include <QBuffer>

#include <algorithm>
#include <cstring>

using namespace pelzo;
using namespace pelzo::fuzz;

namespace {

class FuzzCard final : public SectorDevice {
public:
    FuzzCard(std::span<const uint8_t> image, uint32_t failAt) : bytes_(image.begin(), image.end()), failAt_(failAt) {}

    bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer) override
    {
        if (!transfer()) return false;
        std::fill(buffer.begin(), buffer.end(), 0);
        const uint64_t at = uint64_t(sector) * SectorSize;
        if (at < bytes_.size()) std::memcpy(buffer.data(), bytes_.data() + at, std::min<size_t>(SectorSize, bytes_.size() - at));
        return true;
    }
    bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer) override
    {
        if (!transfer()) return false;
        ++writes;
        const uint64_t at = uint64_t(sector) * SectorSize;
        if (at < bytes_.size()) std::memcpy(bytes_.data() + at, buffer.data(), std::min<size_t>(SectorSize, bytes_.size() - at));
        return true;
    }

    uint64_t transfers = 0;
    uint64_t writes = 0;

private:
    bool transfer() { return ++transfers != failAt_; }
    std::vector<uint8_t> bytes_;
    uint32_t failAt_;
};

// A copy target that keeps only a count, and refuses more than a megabyte: the fuzzer must not
// spend its time writing a large file out byte by byte.
class CountingTarget final : public QIODevice {
public:
    static constexpr qint64 Limit = 1 << 20;
    qint64 written = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 len) override
    {
        if (written + len > Limit) return -1;
        written += len;
        return len;
    }
};

void CheckCopy(Fat32& fat, const DirEntry& e, int result, const CountingTarget& out)
{
    FUZZ_CHECK(result == CopyEnded || result == CopyTransferFailed || result == CopyTargetFailed);
    FUZZ_CHECK(uint64_t(out.written) <= EntryFileSize(e));
    if (fat.complete()) FUZZ_CHECK(uint64_t(out.written) == EntryFileSize(e));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2) return 0;
    const uint32_t failAt = uint32_t(data[0]) | uint32_t(data[1]) << 8;
    FuzzCard card(std::span<const uint8_t>(data + 2, size - 2), failAt);
    test::ScriptedDialogs dialogs;
    Fat32 fat(card, dialogs);

    if (fat.MountVolume() != MountOk) return 0;
    FUZZ_CHECK(fat.mounted());
    const VolumeState& v = fat.volume();
    FUZZ_CHECK(v.BytesPerSector == SectorSize && v.SectorsPerCluster > 0 && v.ClusterCount > 0);
    FUZZ_CHECK(!v.FreeCountValid || v.FreeBytes <= v.TotalBytes);

    fat.ListRootDir();
    FUZZ_CHECK(fat.EntryCount() >= 0 && fat.EntryCount() <= MaxEntries);
    const std::vector<DirEntry> listed = fat.EntryTable();
    for (const DirEntry& e : listed) FUZZ_CHECK(e[0] != EntryEnd && e[0] != EntryFree && EntryAttr(e) != AttrLongName);

    // Copies read and never write.
    for (size_t i = 0; i < std::min<size_t>(listed.size(), 4); ++i) {
        CountingTarget out;
        FUZZ_CHECK(out.open(QIODevice::WriteOnly));
        const Name11 name = EntryName(listed[i]);
        const int r = fat.CopyCardEntry(name, out);
        // A name may stand twice: the copy is of the first entry that carries it.
        const auto first = std::find_if(listed.begin(), listed.end(), [&](const DirEntry& e) { return EntryName(e) == name; });
        CheckCopy(fat, *first, r, out);
    }
    if (!listed.empty()) {
        // The dotted form of the first name goes through ShortName.
        const Name11 n = EntryName(listed[0]);
        QByteArray dotted = QByteArray(reinterpret_cast<const char*>(n.data()), 8).trimmed() + '.' +
                            QByteArray(reinterpret_cast<const char*>(n.data()) + 8, 3).trimmed();
        CountingTarget out;
        FUZZ_CHECK(out.open(QIODevice::WriteOnly));
        const int r = fat.CopyCardFile(dotted, out);
        FUZZ_CHECK(r != CopyInvalidName || dotted.indexOf('.') > 8);
    }
    FUZZ_CHECK(card.writes == 0);

    // A deletion of the first plain file (one with a chain to release), then the card must still
    // list and mount.
    for (const DirEntry& e : listed) {
        if (EntryAttr(e) & (AttrDirectory | 0x08)) continue;
        fat.DeleteCardFile(EntryName(e));
        break;
    }
    fat.ListRootDir();
    FUZZ_CHECK(fat.EntryCount() <= MaxEntries);
    fat.MountVolume();
    return 0;
}
