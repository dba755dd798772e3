// Card images as sector devices: a file (an image made by mkfs.fat, a dump of a card) or bytes in
// memory. Sectors beyond the end are neither read nor written, like a card that has no such sector.
#pragma once

#include "sdcard/sector.h"

#include <QFile>
#include <QString>

#include <vector>

namespace pelzo {

class FileCard final : public SectorDevice {
public:
    // Opens the image for reading, and for writing too unless `readOnly`.
    explicit FileCard(const QString& path, bool readOnly = false);
    bool isOpen() const { return file_.isOpen(); }
    QString errorString() const { return file_.errorString(); }

    bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer) override;
    bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer) override;

private:
    bool seekTo(uint32_t sector);
    QFile file_;
    bool readOnly_;
};

class MemoryCard final : public SectorDevice {
public:
    explicit MemoryCard(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    std::vector<uint8_t>& bytes() { return bytes_; }

    bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer) override;
    bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer) override;

private:
    bool holds(uint32_t sector) const { return (uint64_t(sector) + 1) * SectorSize <= bytes_.size(); }
    std::vector<uint8_t> bytes_;
};

}  // namespace pelzo
