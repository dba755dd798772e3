#include "sdcard/imagecard.h"

#include <algorithm>

namespace pelzo {

FileCard::FileCard(const QString& path, bool readOnly) : file_(path), readOnly_(readOnly)
{
    file_.open(readOnly ? QIODevice::ReadOnly : QIODevice::ReadWrite);
}

bool FileCard::seekTo(uint32_t sector)
{
    const qint64 at = qint64(sector) * SectorSize;
    return file_.isOpen() && at + SectorSize <= file_.size() && file_.seek(at);
}

bool FileCard::readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer)
{
    if (!seekTo(sector)) return false;
    return file_.read(reinterpret_cast<char*>(buffer.data()), SectorSize) == SectorSize;
}

bool FileCard::writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer)
{
    if (readOnly_ || !seekTo(sector)) return false;
    if (file_.write(reinterpret_cast<const char*>(buffer.data()), SectorSize) != SectorSize) return false;
    return file_.flush();
}

bool MemoryCard::readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer)
{
    if (!holds(sector)) return false;
    const auto from = bytes_.begin() + std::ptrdiff_t(uint64_t(sector) * SectorSize);
    std::copy(from, from + SectorSize, buffer.begin());
    return true;
}

bool MemoryCard::writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer)
{
    if (!holds(sector)) return false;
    std::copy(buffer.begin(), buffer.end(), bytes_.begin() + std::ptrdiff_t(uint64_t(sector) * SectorSize));
    return true;
}

}  // namespace pelzo
