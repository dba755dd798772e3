// Every request the program sends to the meter, and one typed call for each. Nothing above
// meter/ names a request number; the data each request carries is explained where it is used.
// vmeter/ keeps its own copy of these numbers on purpose, so the wire tests compare two
// independent readings of the protocol.
#pragma once

#include "meter/appusb.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace pelzo {

// Bit 6 of the settings byte (requests 2 and 3): set while a card is in the meter.
constexpr uint8_t CardPresentBit = 0x40;
inline bool CardPresent(uint8_t setup) { return setup & CardPresentBit; }

// One line of the request table. The type byte sent is the direction OR the vendor type.
struct MeterRequestRow {
    uint8_t request;
    uint8_t direction;  // DirIn or DirOut
    int length;         // bytes of the data stage (request 80: at most)
    constexpr uint8_t type() const { return RequestType(direction); }
};

// The table: request, direction, bytes of the data stage; then what wValue / wIndex carry.
inline constexpr MeterRequestRow ReqReadSetup{2, DirIn, 1};        // 1 / 0
inline constexpr MeterRequestRow ReqWriteSetup{3, DirIn, 1};       // the new settings byte / 0; answer unused
inline constexpr MeterRequestRow ReqReadReading{4, DirIn, 4};      // 1 / 0; bytes 0-1 are the reading word
inline constexpr MeterRequestRow ReqSetClock{5, DirOut, 0};        // part + 256 * BCD 1 / BCD 2 + 256 * BCD 3
inline constexpr MeterRequestRow ReqPieceIn{80, DirIn, 128};       // 256 * piece length / offset in the buffer
inline constexpr MeterRequestRow ReqPieceOut{80, DirOut, 128};     // as 80 IN
inline constexpr MeterRequestRow ReqSectorSelect{81, DirOut, 4};   // sector bits 0-15 / 16-31; data unused
inline constexpr MeterRequestRow ReqSectorCommand{83, DirOut, 4};  // op + 256 * sector bits 8-15 / 16-31; data unused

// Request 2: the bytes transferred (negative: failed, the link has told the user) and the byte.
struct SetupReply {
    int got = 0;
    uint8_t setup = 0;  // meaningful when got >= 1
};
SetupReply RequestSetup(Appusb& usb);
// Request 2 as a value: nullopt when the transfer failed or gave no byte.
std::optional<uint8_t> ReadSetupByte(Appusb& usb);
// Request 3 with `setup` in wValue; its one-byte answer is not used. False on failure.
bool WriteSetupByte(Appusb& usb, uint8_t setup);

// Request 4: the reading word, or nullopt when the transfer failed or gave fewer than 2 bytes.
std::optional<uint16_t> ReadReading(Appusb& usb);

// Request 5: which half of the clock a block sets.
enum class ClockPart : uint8_t { Date = 0, Time = 1 };
constexpr RequestBlock ClockBlock(ClockPart part, uint8_t first, uint8_t second, uint8_t third)
{
    return {uint8_t(part), first, second, third};
}
// Sends one clock block; the result of the transfer as MeterRequest gives it.
int SetClock(Appusb& usb, const RequestBlock& block);

// Card sector requests; each returns the bytes transferred or the library's negative error.
enum class SectorOp : uint8_t { Load = 0, Store = 1 };
int SelectSector(Appusb& usb, uint32_t sector);          // 81
int SectorCommand(Appusb& usb, uint32_t sector, SectorOp op);  // 83: byte 0 replaced by the operation
// 80: `piece` (at most 128 bytes) to or from the meter's buffer at `offset`; direction DirIn or DirOut.
int MovePiece(Appusb& usb, uint8_t direction, int offset, std::span<uint8_t> piece);

}  // namespace pelzo
