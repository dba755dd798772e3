#include "sdcard/sector.h"

#include <algorithm>

namespace pelzo {

namespace {

// `r` is the result of one request that had to move exactly `size` bytes. A short transfer
// leaves the link in the same state as a failed one.
bool Exact(Appusb& usb, int r, size_t size)
{
    if (r < 0) return false;  // the link has told the user and dropped the handle
    if (r == int(size)) return true;
    usb.dialogs().message(PlainMessage(MsgUsbLost));
    usb.CloseMeter();
    return false;
}

// The select and command requests move their 4 data bytes.
bool Control(Appusb& usb, int r) { return Exact(usb, r, size_t(ReqSectorSelect.length)); }

// The four pieces between `buffer` and the meter's buffer, each followed by its pause.
bool MovePieces(Appusb& usb, uint8_t direction, std::span<uint8_t, SectorSize> buffer)
{
    int remaining = SectorSize;
    for (int offset = 0; offset < SectorSize && remaining > 0; offset += SectorPiece) {
        const int length = std::min(remaining, SectorPiece);
        const auto piece = buffer.subspan(size_t(offset), size_t(length));
        if (!Exact(usb, MovePiece(usb, direction, offset, piece), piece.size())) return false;
        usb.Sleep(PauseAfterPiece);
        remaining -= length;
    }
    return true;
}

}  // namespace

bool ReadSector(Appusb& usb, uint32_t sector, std::span<uint8_t, SectorSize> buffer)
{
    if (!Control(usb, SelectSector(usb, sector))) return false;
    usb.Sleep(PauseAfterSelect);
    if (!Control(usb, SectorCommand(usb, sector, SectorOp::Load))) return false;
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
    if (!Control(usb, SelectSector(usb, sector))) return false;
    usb.Sleep(PauseAfterSelect);
    Sector outgoing;
    std::copy(buffer.begin(), buffer.end(), outgoing.begin());
    if (!MovePieces(usb, DirOut, outgoing)) return false;
    usb.Sleep(PauseAfterData);
    if (!Control(usb, SectorCommand(usb, sector, SectorOp::Store))) return false;
    usb.Sleep(PauseAfterStore);
    return true;
}

}  // namespace pelzo
