#include "sdcard/fat32.h"

#include <algorithm>
#include <unordered_set>

namespace pelzo {

namespace {

uint16_t Le16(std::span<const uint8_t> b, size_t at) { return uint16_t(b[at] | (b[at + 1] << 8)); }

uint32_t Le32(std::span<const uint8_t> b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

void PutLe32(std::span<uint8_t> b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

bool IsJump(uint8_t b) { return b == 0xE9 || b == 0xEB; }

constexpr uint32_t FsiLeadSig = 0x41615252;
constexpr uint32_t FsiStrucSig = 0x61417272;
constexpr uint32_t FsiTrailSig = 0xAA550000;
constexpr size_t FsiFreeCountAt = 488;
constexpr size_t FsiNextFreeAt = 492;

uint64_t CeilDiv(uint64_t a, uint64_t b) { return (a + b - 1) / b; }

// The checksum a long-name entry carries of the short name it belongs to.
uint8_t LongNameChecksum(const Name11& n)
{
    uint8_t sum = 0;
    for (uint8_t b : n) sum = uint8_t(((sum & 1) << 7) + (sum >> 1) + b);
    return sum;
}

constexpr size_t LongChecksumAt = 13;

}  // namespace

uint16_t EntryCrtTime(const DirEntry& e) { return Le16(e, 14); }
uint16_t EntryCrtDate(const DirEntry& e) { return Le16(e, 16); }
uint32_t EntryFirstCluster(const DirEntry& e) { return (uint32_t(Le16(e, 20)) << 16) | Le16(e, 26); }
uint32_t EntryFileSize(const DirEntry& e) { return Le32(e, 28); }
uint8_t EntryAttr(const DirEntry& e) { return e[11]; }

Name11 EntryName(const DirEntry& e)
{
    Name11 n;
    std::copy_n(e.begin(), n.size(), n.begin());
    return n;
}

std::optional<Name11> ShortNameOf(QByteArrayView name)
{
    const qsizetype dot = name.first(std::min<qsizetype>(name.size(), 12)).indexOf('.');
    if (dot < 0 || dot > 8) return std::nullopt;
    Name11 n;
    n.fill(' ');
    std::copy_n(name.begin(), dot, n.begin());
    const QByteArrayView ext = name.sliced(dot + 1);
    std::copy_n(ext.begin(), std::min<qsizetype>(ext.size(), 3), n.begin() + 8);
    for (uint8_t& b : n)
        if (b >= 'a' && b <= 'z') b = uint8_t(b - 'a' + 'A');
    return n;
}

bool Fat32::read(uint32_t sector)
{
    if (failed_) return false;
    // A failed read must not leave half-trusted bytes behind for the callers.
    if (!device_.readSector(sector, buf_)) failed_ = true;
    return !failed_;
}

bool Fat32::write(uint32_t sector)
{
    if (failed_) return false;
    if (!device_.writeSector(sector, buf_)) failed_ = true;
    return !failed_;
}

int Fat32::MountVolume()
{
    begin();
    mounted_ = false;
    vol_ = {};
    maxCluster_ = 0;
    entries_.clear();
    listCut_ = false;

    if (!read(0)) return MountFailed;
    uint32_t partStart = 0;
    if (!IsJump(buf_[0])) {
        if (buf_[510] != 0x55 || buf_[511] != 0xAA) return MountFailed;
        partStart = Le32(buf_, 454);
        if (!read(partStart) || !IsJump(buf_[0])) return MountFailed;
    }
    VolumeState v;
    v.PartStart = partStart;
    v.BytesPerSector = Le16(buf_, 11);
    v.SectorsPerCluster = buf_[13];
    v.ReservedSectors = Le16(buf_, 14);
    v.NumFats = buf_[16];
    v.HiddenSectors = Le32(buf_, 28);
    // Small volumes keep their size in the 16-bit field and leave the 32-bit one zero.
    const uint32_t totalSectors = Le32(buf_, 32) != 0 ? Le32(buf_, 32) : Le16(buf_, 19);
    v.FatSize = Le32(buf_, 36);
    v.RootCluster = Le32(buf_, 44);

    // Only geometry this layer can handle safely: whole 512-byte sectors (the only size the
    // meter moves), the boot sector and FSInfo ahead of the FAT, at least one FAT and one
    // cluster, and everything inside the 32-bit sector range.
    if (v.BytesPerSector != SectorSize || v.SectorsPerCluster == 0 || v.ReservedSectors < 2 || v.NumFats == 0 ||
        v.FatSize == 0)
        return MountFailed;
    const uint64_t metaSectors = uint64_t(v.ReservedSectors) + uint64_t(v.FatSize) * v.NumFats;
    if (totalSectors <= metaSectors || uint64_t(partStart) + totalSectors > 0x100000000ull) return MountFailed;
    const uint64_t dataSectors = totalSectors - metaSectors;
    v.ClusterCount = uint32_t(dataSectors / v.SectorsPerCluster);
    if (v.ClusterCount == 0) return MountFailed;
    // The data area follows the FATs of this volume, wherever the hidden-sector field points.
    v.DataStart = uint32_t(partStart + metaSectors);
    v.TotalBytes = dataSectors * v.BytesPerSector;

    vol_ = v;
    // The last cluster the FAT both describes and the volume holds.
    const uint64_t fatEntries = uint64_t(v.FatSize) * (SectorSize / 4);
    maxCluster_ = uint32_t(std::min<uint64_t>({uint64_t(v.ClusterCount) + 1, fatEntries - 1, FatMask}));

    const uint32_t n = GetFsInfo(FsInfoField::FreeCount);
    if (failed_) {
        vol_ = {};
        maxCluster_ = 0;
        return MountFailed;
    }
    if (n <= vol_.ClusterCount) {
        vol_.FreeCountValid = true;
        vol_.FreeBytes = uint64_t(n) * vol_.SectorsPerCluster * vol_.BytesPerSector;
    }
    mounted_ = true;
    return MountOk;
}

uint32_t Fat32::ClusterFirstSector(uint32_t c) const
{
    return uint32_t((uint64_t(c) - 2) * vol_.SectorsPerCluster + vol_.DataStart);
}

std::optional<uint32_t> Fat32::GetFatEntry(uint32_t c)
{
    if (!mounted_ || uint64_t(c) >= uint64_t(vol_.FatSize) * (SectorSize / 4)) return std::nullopt;
    const uint32_t at = 4 * c;
    if (!read(vol_.PartStart + vol_.ReservedSectors + at / SectorSize)) return std::nullopt;
    return Le32(buf_, at % SectorSize) & FatMask;
}

bool Fat32::SetFatEntry(uint32_t c, uint32_t value)
{
    if (!mounted_ || !validCluster(c)) return false;
    const uint32_t at = 4 * c;
    const uint32_t sector = vol_.PartStart + vol_.ReservedSectors + at / SectorSize;
    if (!read(sector)) return false;
    PutLe32(buf_, at % SectorSize, value);
    return write(sector);
}

uint32_t Fat32::GetFsInfo(FsInfoField which)
{
    if (!read(vol_.PartStart + 1)) return FsInfoInvalid;
    if (Le32(buf_, 0) != FsiLeadSig || Le32(buf_, 484) != FsiStrucSig || Le32(buf_, 508) != FsiTrailSig)
        return FsInfoInvalid;
    return Le32(buf_, which == FsInfoField::FreeCount ? FsiFreeCountAt : FsiNextFreeAt);
}

bool Fat32::SetFsInfo(FsInfoField which, uint32_t value)
{
    if (!mounted_) return false;
    const uint32_t sector = vol_.PartStart + 1;
    if (!read(sector)) return false;
    if (Le32(buf_, 0) != FsiLeadSig || Le32(buf_, 484) != FsiStrucSig || Le32(buf_, 508) != FsiTrailSig)
        return false;
    PutLe32(buf_, which == FsInfoField::FreeCount ? FsiFreeCountAt : FsiNextFreeAt, value);
    return write(sector);
}

void Fat32::AdjustFreeCount(uint32_t size)
{
    if (!mounted_ || !vol_.FreeCountValid) return;
    const uint64_t clusters = CeilDiv(CeilDiv(size, vol_.BytesPerSector), vol_.SectorsPerCluster);
    const uint32_t n = GetFsInfo(FsInfoField::FreeCount);
    if (n > vol_.ClusterCount) return;  // unreadable, or no longer a usable count
    // Never more free clusters than the volume has.
    SetFsInfo(FsInfoField::FreeCount, uint32_t(std::min<uint64_t>(n + clusters, vol_.ClusterCount)));
}

Fat32::WalkEnd Fat32::walkRoot(const std::function<bool(uint32_t, int)>& visit)
{
    std::unordered_set<uint32_t> seen;
    uint32_t c = vol_.RootCluster;
    longRun_.clear();
    for (;;) {
        if (!validCluster(c) || !seen.insert(c).second) return WalkEnd::Broken;
        for (uint32_t s = 0; s < vol_.SectorsPerCluster; ++s) {
            const uint32_t sector = ClusterFirstSector(c) + s;
            if (!read(sector)) return WalkEnd::Failed;
            for (int off = 0; off < SectorSize; off += DirEntrySize) {
                const uint8_t first = buf_[size_t(off)];
                if (first == EntryEnd) return WalkEnd::EndMarker;
                if (first == EntryFree) {
                    longRun_.clear();
                    continue;
                }
                if (buf_[size_t(off) + 11] == AttrLongName) {
                    longRun_.push_back({sector, off});
                    continue;
                }
                const bool stop = visit(sector, off);
                if (stop) return WalkEnd::Stopped;
                longRun_.clear();
            }
        }
        const std::optional<uint32_t> next = GetFatEntry(c);
        if (!next) return WalkEnd::Failed;
        if (*next > ChainEndAbove) return WalkEnd::ChainEnd;
        c = *next;  // 0, 1, a cluster outside the volume or one already seen: broken (above)
    }
}

void Fat32::ListRootDir()
{
    begin();
    entries_.clear();
    listCut_ = false;
    if (!mounted_) return;
    const WalkEnd end = walkRoot([this](uint32_t, int off) {
        if (entries_.size() == size_t(MaxEntries)) {
            listCut_ = true;
            return true;
        }
        DirEntry e;
        std::copy_n(buf_.begin() + off, DirEntrySize, e.begin());
        entries_.push_back(e);
        return false;
    });
    if (end == WalkEnd::Broken) tell(MsgClusterError);
}

std::optional<EntryRef> Fat32::findEntry(const Name11& name11)
{
    if (!mounted_) return std::nullopt;
    EntryRef found;
    const WalkEnd end = walkRoot([&](uint32_t sector, int off) {
        if (!std::equal(name11.begin(), name11.end(), buf_.begin() + off)) return false;
        found = {sector, off};
        foundRun_ = longRun_;
        return true;
    });
    switch (end) {
    case WalkEnd::Stopped: return found;
    case WalkEnd::EndMarker: tell(MsgFileNotExist); break;
    case WalkEnd::Broken: tell(MsgClusterError); break;
    case WalkEnd::ChainEnd:
    case WalkEnd::Failed: break;
    }
    return std::nullopt;
}

std::optional<EntryRef> Fat32::FindRootEntry(const Name11& name11)
{
    begin();
    return findEntry(name11);
}

void Fat32::releaseChain(uint32_t f)
{
    std::unordered_set<uint32_t> seen;
    while (validCluster(f) && seen.insert(f).second) {
        const std::optional<uint32_t> m = GetFatEntry(f);
        if (!m || !SetFatEntry(f, 0)) return;
        if (*m > ChainEndAbove) return;
        f = *m;
    }
}

// Writes the entry's sector (already marked) and frees the long-name parts in front of the entry
// that carry its checksum, so no orphaned long name is left on the card. False when the entry's
// own sector was not written.
bool Fat32::freeLongNameParts(const EntryRef& entry, const Name11& name11)
{
    const uint8_t sum = LongNameChecksum(name11);
    std::vector<EntryRef> elsewhere;
    for (const EntryRef& part : foundRun_) {
        if (part.sector != entry.sector) {
            elsewhere.push_back(part);
        } else if (buf_[size_t(part.offset) + LongChecksumAt] == sum) {
            buf_[size_t(part.offset)] = EntryFree;
        }
    }
    if (!write(entry.sector)) return false;
    // Parts in earlier sectors: each such sector read and written once.
    for (size_t i = 0; i < elsewhere.size();) {
        const uint32_t sector = elsewhere[i].sector;
        if (!read(sector)) return true;
        bool changed = false;
        for (; i < elsewhere.size() && elsewhere[i].sector == sector; ++i) {
            const size_t off = size_t(elsewhere[i].offset);
            if (buf_[off + 11] == AttrLongName && buf_[off + LongChecksumAt] == sum) {
                buf_[off] = EntryFree;
                changed = true;
            }
        }
        if (changed && !write(sector)) return true;
    }
    return true;
}

bool Fat32::DeleteCardFile(const Name11& name11)
{
    begin();
    const std::optional<EntryRef> at = findEntry(name11);
    if (!at) return false;
    DirEntry e;
    std::copy_n(buf_.begin() + at->offset, DirEntrySize, e.begin());
    // Releasing a directory's own clusters would strand everything inside it.
    if (EntryAttr(e) & AttrDirectory) {
        tell(MsgCannotDeleteDir);
        return false;
    }
    const uint32_t first = EntryFirstCluster(e);
    buf_[size_t(at->offset)] = EntryFree;
    if (!freeLongNameParts(*at, name11)) return false;
    if (failed_) return true;  // the entry is free; an earlier long-name part may be left
    if (!validCluster(first)) return true;  // nothing allocated: FSInfo and FAT stay as they are
    AdjustFreeCount(EntryFileSize(e));
    if (failed_) return true;
    const uint32_t nextFree = GetFsInfo(FsInfoField::NextFree);
    if (failed_) return true;
    if (first < nextFree) SetFsInfo(FsInfoField::NextFree, first);
    if (failed_) return true;
    releaseChain(first);
    return true;
}

bool ShortName(QByteArray& name, Dialogs& dialogs)
{
    const std::optional<Name11> n = ShortNameOf(name);
    if (!n) {
        dialogs.message(PlainMessage(MsgInvalidFileName));
        return true;
    }
    name = QByteArray(reinterpret_cast<const char*>(n->data()), qsizetype(n->size()));
    return false;
}

int Fat32::CopyCardFile(QByteArray name, QIODevice& out, const CopyProgress& progress)
{
    begin();
    complete_ = false;
    if (ShortName(name)) return CopyInvalidName;
    Name11 name11;
    std::copy_n(name.begin(), name11.size(), name11.begin());
    return CopyCardEntry(name11, out, progress);
}

int Fat32::CopyCardEntry(const Name11& name11, QIODevice& out, const CopyProgress& progress)
{
    begin();
    complete_ = false;
    const std::optional<EntryRef> at = findEntry(name11);
    if (!at) return failed_ ? CopyTransferFailed : CopyEnded;
    DirEntry e;
    std::copy_n(buf_.begin() + at->offset, DirEntrySize, e.begin());

    const uint64_t size = EntryFileSize(e);
    uint64_t written = 0;
    qint64 outPos = out.pos();  // OutPos
    if (progress) progress(0, size);
    std::unordered_set<uint32_t> seen;
    uint32_t f = EntryFirstCluster(e);
    while (written < size) {
        // The chain must hold the file's bytes: a cluster outside the volume, a reserved value,
        // an end mark before the last byte or a loop is a broken chain.
        if (!validCluster(f) || !seen.insert(f).second) {
            tell(MsgClusterError);
            return CopyEnded;
        }
        for (uint32_t s = 0; s < vol_.SectorsPerCluster && written < size; ++s) {
            if (!read(ClusterFirstSector(f) + s)) return CopyTransferFailed;
            const qint64 n = qint64(std::min<uint64_t>(SectorSize, size - written));
            if (!out.seek(outPos) || out.write(reinterpret_cast<const char*>(buf_.data()), n) != n)
                return CopyTargetFailed;
            outPos += n;
            written += uint64_t(n);
            if (progress) progress(written, size);
        }
        if (written == size) break;
        const std::optional<uint32_t> next = GetFatEntry(f);
        if (!next) return CopyTransferFailed;
        f = *next;
    }
    complete_ = true;
    return CopyEnded;
}

}  // namespace pelzo
