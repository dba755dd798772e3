// What the meter does with one vendor control request: the settings byte, the reading word,
// the clock, the sector buffer and the card image. Knows nothing about USB emulation, so the
// transport (umockdev) and the behaviour stay apart.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace pelzo::vmeter {

constexpr std::size_t SectorSize = 512;
constexpr std::size_t MaxChunk = 128;

// Settings byte bits the meter itself owns.
constexpr uint8_t CardPresentBit = 0x40;

// The setup packet of one control transfer.
struct Setup {
    uint8_t type = 0;
    uint8_t request = 0;
    uint16_t value = 0;
    uint16_t index = 0;
    uint16_t length = 0;

    bool isIn() const { return (type & 0x80) != 0; }
};

// What the meter answered: the byte count (or a negative errno) and, for IN, the bytes sent.
struct Reply {
    int result = 0;
    std::vector<uint8_t> in;

    static Reply stall();  // -EPIPE, as the kernel reports a stalled control pipe
};

// The meter's calendar clock; the year is known only within its century.
struct MeterTime {
    int year = 2000;  // 2000 + the two BCD digits
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool operator==(const MeterTime&) const = default;
};

// A card image file, open for the whole time it sits in the meter.
class CardImage {
public:
    // Throws std::runtime_error with the reason when the file cannot be opened.
    explicit CardImage(const std::string& path);
    ~CardImage();
    CardImage(const CardImage&) = delete;
    CardImage& operator=(const CardImage&) = delete;

    bool readSector(uint32_t sector, std::span<uint8_t, SectorSize> out) const;
    bool writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> in);
    const std::string& path() const { return path_; }

private:
    bool holds(uint32_t sector) const;

    std::string path_;
    int fd_ = -1;
    bool writable_ = false;
    uint64_t size_ = 0;
};

// Level code as the reading word carries it: tenths of a dB above 30.0, clamped to 10 bits.
uint16_t LevelCode(double level);
// The reading word for a level under the given settings byte.
uint16_t ReadingWordFor(double level, uint8_t settings);
// Packed BCD byte to 0..99, or nothing when a nibble is not a decimal digit.
std::optional<int> FromBcd(uint8_t b);

class MeterModel {
public:
    MeterModel();

    // One transfer. `out` holds the bytes the host sent with an OUT request.
    Reply handle(const Setup& s, std::span<const uint8_t> out);

    // The byte request 2 reports: bit 6 follows the card, whatever was written.
    uint8_t settings() const;
    void setSettings(uint8_t b) { settings_ = b; }

    // Levels in dB, one per reading, the last one repeated; empty gives the default walk.
    void setLevels(std::vector<double> levels);

    // Throws std::runtime_error when the image cannot be opened.
    void attachCard(const std::string& path);
    void detachCard() { card_.reset(); }
    bool hasCard() const { return card_.has_value(); }

    MeterTime clock() const;
    const std::array<uint8_t, SectorSize>& sectorBuffer() const { return buffer_; }
    uint32_t selectedSector() const { return selected_; }

private:
    Reply getSettings(const Setup& s) const;
    Reply putSettings(const Setup& s);
    Reply reading(const Setup& s);
    Reply setClock(const Setup& s);
    Reply selectSector(const Setup& s);
    Reply sectorOperation(const Setup& s);
    Reply moveChunk(const Setup& s, std::span<const uint8_t> out);

    double nextLevel();
    std::chrono::sys_seconds now() const;
    void setNow(std::chrono::sys_seconds t);

    uint8_t settings_ = 0;
    std::vector<double> levels_;
    std::size_t nextLevelIndex_ = 0;
    double walkLevel_ = 55.0;
    std::minstd_rand walk_{20240307u};  // fixed seed: runs repeat

    // The clock: the time that was set, and when.
    std::chrono::sys_seconds clockBase_;
    std::chrono::steady_clock::time_point clockSetAt_;

    std::array<uint8_t, SectorSize> buffer_{};
    uint32_t selected_ = 0;
    std::optional<CardImage> card_;
};

}  // namespace pelzo::vmeter
