#include "sdcard/sector.h"

#include <algorithm>

namespace pelzo {

namespace {

RequestBlock SectorBlock(uint32_t sector)
{
    return {uint8_t(sector), uint8_t(sector >> 8), uint8_t(sector >> 16), uint8_t(sector >> 24)};
}

// One request that must move exactly `data.size()` bytes. A short transfer leaves the link in
// the same state as a failed one.
bool Exact(Appusb& usb, uint8_t direction, uint8_t request, const RequestBlock& block, std::span<uint8_t> data)
{
    const int r = usb.MeterRequest(direction, request, block, data);
    if (r < 0) return false;  // the link has told the user and dropped the handle
    if (r == int(data.size())) return true;
    usb.dialogs().message(PlainMessage(MsgUsbLost));
    usb.CloseMeter();
    return false;
}

// Sends the select or command request; its 4 data bytes carry no meaning for the meter.
bool Control(Appusb& usb, uint8_t request, const RequestBlock& block)
{
    std::array<uint8_t, 4> filler{};
    return Exact(usb, DirOut, request, block, filler);
}

// The four pieces between `buffer` and the meter's buffer, each followed by its pause.
bool MovePieces(Appusb& usb, uint8_t direction, std::span<uint8_t, SectorSize> buffer)
{
    int remaining = SectorSize;
    for (int offset = 0; offset < SectorSize && remaining > 0; offset += SectorPiece) {
        const int length = std::min(remaining, SectorPiece);
        const RequestBlock block{0, uint8_t(length), uint8_t(offset), uint8_t(offset >> 8)};
        if (!Exact(usb, direction, ReqSectorData, block, buffer.subspan(size_t(offset), size_t(length))))
            return false;
        usb.Sleep(PauseAfterPiece);
        remaining -= length;
    }
    return true;
}

}  // namespace

bool ReadSector(Appusb& usb, uint32_t sector, std::span<uint8_t, SectorSize> buffer)
{
    RequestBlock block = SectorBlock(sector);
    if (!Control(usb, ReqSectorSelect, block)) return false;
    usb.Sleep(PauseAfterSelect);
    block[0] = 0;  // load; bytes 1-3 keep the sector number
    if (!Control(usb, ReqSectorCommand, block)) return false;
    usb.Sleep(PauseAfterLoad);
    // Pieces land in a scratch copy so a failed read leaves the caller's buffer untouched.
    Sector incoming{};
    if (!MovePieces(usb, DirIn, incoming)) return false;
    usb.Sleep(PauseAfterData);
    std::copy(incoming.begin(), incoming.end(), buffer.begin());
    return true;
}

bool WriteSector(Appusb& usb, uint32_t sector, std::span<const uint8_t, SectorSize> buffer)
{
    RequestBlock block = SectorBlock(sector);
    if (!Control(usb, ReqSectorSelect, block)) return false;
    usb.Sleep(PauseAfterSelect);
    Sector outgoing;
    std::copy(buffer.begin(), buffer.end(), outgoing.begin());
    if (!MovePieces(usb, DirOut, outgoing)) return false;
    usb.Sleep(PauseAfterData);
    block[0] = 1;  // store
    if (!Control(usb, ReqSectorCommand, block)) return false;
    usb.Sleep(PauseAfterStore);
    return true;
}

}  // namespace pelzo
