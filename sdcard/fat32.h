// The FAT32 file system on the meter's card, root directory only, over whole-sector reads and
// writes. One volume at a time; every operation goes through the one sector buffer.
//
// Nothing here trusts the card: every chain walk is bounded (a cluster is visited once, and only
// clusters of the volume are followed), the reserved FAT entries 0 and 1 are never written, and a
// sector transfer that fails ends the operation at once without writing anything further.
#pragma once

#include "app/seams.h"
#include "sdcard/sector.h"

#include <QByteArray>
#include <QIODevice>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pelzo {

inline const QString MsgFileNotExist = QStringLiteral("File does not exist!");
inline const QString MsgClusterError = QStringLiteral("Error in getting cluster");
inline const QString MsgInvalidFileName = QStringLiteral("Invalid fileName..");
inline const QString MsgCannotDeleteDir = QStringLiteral("Cannot delete a directory!");

constexpr int DirEntrySize = 32;
constexpr int MaxEntries = 500;  // EntryTable's size
constexpr uint32_t FatMask = 0x0FFFFFFF;
constexpr uint32_t ChainEndAbove = 0x0FFFFFF6;  // a masked entry above this ends a chain
constexpr uint32_t FsInfoInvalid = 0xFFFFFFFF;

constexpr uint8_t EntryEnd = 0x00;
constexpr uint8_t EntryFree = 0xE5;
constexpr uint8_t AttrLongName = 0x0F;
constexpr uint8_t AttrDirectory = 0x10;

using DirEntry = std::array<uint8_t, DirEntrySize>;
using Name11 = std::array<uint8_t, 11>;

// Fields of a directory entry.
uint16_t EntryCrtTime(const DirEntry& e);
uint16_t EntryCrtDate(const DirEntry& e);
uint32_t EntryFirstCluster(const DirEntry& e);
uint32_t EntryFileSize(const DirEntry& e);
uint8_t EntryAttr(const DirEntry& e);
Name11 EntryName(const DirEntry& e);

// Results of MountVolume.
enum MountResult : int { MountOk = 0, MountFailed = 1 };
// Results of CopyCardFile. 0 also covers the cases the walk has already reported (a name not
// found, a broken chain); complete() tells whether the whole file arrived.
enum CopyResult : int { CopyEnded = 0, CopyInvalidName = 2, CopyTransferFailed = 3, CopyTargetFailed = 4 };

enum class FsInfoField { FreeCount, NextFree };

struct VolumeState {
    uint32_t PartStart = 0;
    uint32_t BytesPerSector = 0;
    uint32_t SectorsPerCluster = 0;
    uint32_t ReservedSectors = 0;
    uint32_t NumFats = 0;
    uint32_t FatSize = 0;
    uint32_t RootCluster = 0;
    uint32_t HiddenSectors = 0;  // read for reference; the layout is placed from PartStart
    uint32_t DataStart = 0;
    uint32_t ClusterCount = 0;
    uint64_t TotalBytes = 0;
    uint64_t FreeBytes = 0;
    bool FreeCountValid = false;
};

// Where a found entry lies: sector and byte offset; its bytes are in the sector buffer.
struct EntryRef {
    uint32_t sector = 0;
    int offset = 0;
};

// Bytes copied so far out of the file's size.
using CopyProgress = std::function<void(uint64_t done, uint64_t size)>;

// The 11-byte DIR_Name form of a dotted short name, or nullopt when it has no "." among its first
// 12 characters or more than 8 characters before it.
std::optional<Name11> ShortNameOf(QByteArrayView name);
// In place: the dotted form becomes the 11 DIR_Name bytes. True (after the message) when invalid.
bool ShortName(QByteArray& name, Dialogs& dialogs);

class Fat32 {
public:
    Fat32(SectorDevice& device, Dialogs& dialogs) : device_(device), dialogs_(dialogs) {}

    int MountVolume();
    bool mounted() const { return mounted_; }
    const VolumeState& volume() const { return vol_; }

    uint32_t ClusterFirstSector(uint32_t c) const;
    // The masked entry, or nullopt when c lies outside the FAT or its sector did not arrive.
    std::optional<uint32_t> GetFatEntry(uint32_t c);
    // Only entries of data clusters (2 and up, inside the volume) are ever written.
    bool SetFatEntry(uint32_t c, uint32_t value);
    uint32_t GetFsInfo(FsInfoField which);
    bool SetFsInfo(FsInfoField which, uint32_t value);
    void AdjustFreeCount(uint32_t size);

    void ListRootDir();
    const std::vector<DirEntry>& EntryTable() const { return entries_; }
    int EntryCount() const { return int(entries_.size()); }
    // The directory held more than MaxEntries listable entries; the table has the first ones.
    bool listCut() const { return listCut_; }

    std::optional<EntryRef> FindRootEntry(const Name11& name11);
    // True when the entry was marked free (its chain is then released as far as it is sound).
    bool DeleteCardFile(const Name11& name11);
    bool ShortName(QByteArray& name) { return pelzo::ShortName(name, dialogs_); }
    // Copies the root file with the dotted short name `name` into `out` from its current position.
    int CopyCardFile(QByteArray name, QIODevice& out, const CopyProgress& progress = {});
    // The same for an entry already known by its 11 DIR_Name bytes (a listed row), so a name
    // holding a "." or lower-case bytes still finds its own entry.
    int CopyCardEntry(const Name11& name11, QIODevice& out, const CopyProgress& progress = {});
    bool complete() const { return complete_; }

    // The last operation was ended by a sector transfer that failed.
    bool transferFailed() const { return failed_; }

    std::span<const uint8_t, SectorSize> SectorBuf() const { return buf_; }

private:
    enum class WalkEnd { EndMarker, ChainEnd, Broken, Failed, Stopped };
    // Calls `visit` for every listable root entry until it returns true.
    WalkEnd walkRoot(const std::function<bool(uint32_t sector, int offset)>& visit);
    std::optional<EntryRef> findEntry(const Name11& name11);
    bool freeLongNameParts(const EntryRef& entry, const Name11& name11);
    bool read(uint32_t sector);
    bool write(uint32_t sector);
    bool validCluster(uint32_t c) const { return c >= 2 && c <= maxCluster_; }
    void releaseChain(uint32_t first);
    void begin() { failed_ = false; }
    void tell(const QString& text) { dialogs_.message(PlainMessage(text)); }

    SectorDevice& device_;
    Dialogs& dialogs_;
    Sector buf_{};  // SectorBuf
    VolumeState vol_;
    uint32_t maxCluster_ = 0;
    bool mounted_ = false;
    bool failed_ = false;
    bool complete_ = false;
    bool listCut_ = false;
    std::vector<DirEntry> entries_;
    std::vector<EntryRef> longRun_;  // the long-name entries right before the visited entry
    std::vector<EntryRef> foundRun_;
};

}  // namespace pelzo
