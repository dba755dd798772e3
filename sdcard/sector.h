// One 512-byte card sector at a time through the meter's own sector buffer, and the small
// device interface the file system works over (the meter, or an image for tests and tools).
#pragma once

#include "meter/requests.h"

#include <array>
#include <cstdint>
#include <span>

namespace pelzo {

constexpr int SectorSize = 512;
using Sector = std::array<uint8_t, SectorSize>;

constexpr int SectorPiece = ReqPieceIn.length;

// Fixed protocol pauses (ms).
constexpr int PauseAfterSelect = 50;
constexpr int PauseAfterPiece = 50;
constexpr int PauseAfterLoad = 100;   // after the load command
constexpr int PauseAfterData = 100;   // after the last piece (read and write)
constexpr int PauseAfterStore = 100;  // after the store command
constexpr int ReadSectorPauses = PauseAfterSelect + PauseAfterLoad + 4 * PauseAfterPiece + PauseAfterData;
constexpr int WriteSectorPauses = PauseAfterSelect + 4 * PauseAfterPiece + PauseAfterData + PauseAfterStore;

// The meter sequences. Both stop at the first request that fails or moves fewer bytes than
// asked and return false: a write whose data did not fully arrive never reaches the store command,
// so the card never receives a half-filled buffer. A short transfer is treated like a lost
// link (the same single message, the handle dropped), so the user sees one message either way.
bool ReadSector(Appusb& usb, uint32_t sector, std::span<uint8_t, SectorSize> buffer);
bool WriteSector(Appusb& usb, uint32_t sector, std::span<const uint8_t, SectorSize> buffer);

// What the file system needs of a card: whole sectors, and whether each move succeeded.
class SectorDevice {
public:
    virtual ~SectorDevice() = default;
    virtual bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer) = 0;
    virtual bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer) = 0;
};

// The card in the meter, through the link.
class MeterCard final : public SectorDevice {
public:
    explicit MeterCard(Appusb& usb) : usb_(usb) {}
    bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> buffer) override
    {
        return ReadSector(usb_, sector, buffer);
    }
    bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> buffer) override
    {
        return WriteSector(usb_, sector, buffer);
    }

private:
    Appusb& usb_;
};

}  // namespace pelzo
