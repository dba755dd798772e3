#include "meter/requests.h"

namespace pelzo {

namespace {

int Send(Appusb& usb, const MeterRequestRow& row, const RequestBlock& block, std::span<uint8_t> data)
{
    return usb.MeterRequest(row.direction, row.request, block, data);
}

constexpr RequestBlock SectorBlock(uint32_t sector)
{
    return {uint8_t(sector), uint8_t(sector >> 8), uint8_t(sector >> 16), uint8_t(sector >> 24)};
}

// The select and command requests carry 4 data bytes that mean nothing to the meter.
int SendSectorBlock(Appusb& usb, const MeterRequestRow& row, const RequestBlock& block)
{
    std::array<uint8_t, 4> filler{};
    return Send(usb, row, block, filler);
}

}  // namespace

SetupReply RequestSetup(Appusb& usb)
{
    std::array<uint8_t, ReqReadSetup.length> reply{};
    const int got = Send(usb, ReqReadSetup, RequestBlock{1, 0, 0, 0}, reply);
    return {got, reply[0]};
}

std::optional<uint8_t> ReadSetupByte(Appusb& usb)
{
    const SetupReply r = RequestSetup(usb);
    if (r.got < 1) return std::nullopt;
    return r.setup;
}

bool WriteSetupByte(Appusb& usb, uint8_t setup)
{
    std::array<uint8_t, ReqWriteSetup.length> reply{};
    return Send(usb, ReqWriteSetup, RequestBlock{setup, 0, 0, 0}, reply) >= 0;
}

std::optional<uint16_t> ReadReading(Appusb& usb)
{
    std::array<uint8_t, ReqReadReading.length> reply{};
    // Bytes 2 and 3 are not used; a reply of 2 is enough.
    if (Send(usb, ReqReadReading, RequestBlock{1, 0, 0, 0}, reply) < 2) return std::nullopt;
    return uint16_t(reply[0] | reply[1] << 8);
}

int SetClock(Appusb& usb, const RequestBlock& block) { return Send(usb, ReqSetClock, block, {}); }

int SelectSector(Appusb& usb, uint32_t sector)
{
    return SendSectorBlock(usb, ReqSectorSelect, SectorBlock(sector));
}

int SectorCommand(Appusb& usb, uint32_t sector, SectorOp op)
{
    RequestBlock block = SectorBlock(sector);
    block[0] = uint8_t(op);
    return SendSectorBlock(usb, ReqSectorCommand, block);
}

int MovePiece(Appusb& usb, uint8_t direction, int offset, std::span<uint8_t> piece)
{
    const RequestBlock block{0, uint8_t(piece.size()), uint8_t(offset), uint8_t(offset >> 8)};
    return Send(usb, direction == DirIn ? ReqPieceIn : ReqPieceOut, block, piece);
}

}  // namespace pelzo
