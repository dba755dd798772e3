#include "vmeter/metermodel.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace pelzo::vmeter {

namespace {

constexpr uint8_t TypeIn = 0xC0;
constexpr uint8_t TypeOut = 0x40;

enum Request : uint8_t {
    GetSettings = 2,
    PutSettings = 3,
    GetReading = 4,
    SetClock = 5,
    MoveChunk = 80,
    SelectSector = 81,
    SectorOp = 83,
};

Reply answer(const Setup& s, std::span<const uint8_t> bytes)
{
    const std::size_t n = std::min<std::size_t>(bytes.size(), s.length);
    return {int(n), std::vector<uint8_t>(bytes.begin(), bytes.begin() + long(n))};
}

Reply accepted(const Setup& s) { return {int(s.length), {}}; }

}  // namespace

Reply Reply::stall() { return {-EPIPE, {}}; }

// ---- card image ----

CardImage::CardImage(const std::string& path) : path_(path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    writable_ = fd_ >= 0;
    if (fd_ < 0) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        throw std::runtime_error(path + ": not a regular file");
    }
    size_ = uint64_t(st.st_size);
}

CardImage::~CardImage() { ::close(fd_); }

bool CardImage::holds(uint32_t sector) const { return (uint64_t(sector) + 1) * SectorSize <= size_; }

bool CardImage::readSector(uint32_t sector, std::span<uint8_t, SectorSize> out) const
{
    if (!holds(sector)) return false;
    return ::pread(fd_, out.data(), SectorSize, off_t(uint64_t(sector) * SectorSize)) == ssize_t(SectorSize);
}

bool CardImage::writeSector(uint32_t sector, std::span<const uint8_t, SectorSize> in)
{
    if (!writable_ || !holds(sector)) return false;
    return ::pwrite(fd_, in.data(), SectorSize, off_t(uint64_t(sector) * SectorSize)) == ssize_t(SectorSize);
}

// ---- words ----

uint16_t LevelCode(double level)
{
    const long tenths = std::lround(level * 10.0) - 300;
    return uint16_t(std::clamp(tenths, 0L, 1023L));
}

uint16_t ReadingWordFor(double level, uint8_t settings)
{
    // Range, C and SLOW sit in bits 10-14 in the same order as bits 0-4 of the settings byte.
    return uint16_t(LevelCode(level) | ((settings & 0x1F) << 10));
}

std::optional<int> FromBcd(uint8_t b)
{
    const int hi = b >> 4, lo = b & 0x0F;
    if (hi > 9 || lo > 9) return std::nullopt;
    return hi * 10 + lo;
}

// ---- the meter ----

MeterModel::MeterModel()
    : clockBase_(std::chrono::sys_days(std::chrono::year(2000) / 1 / 1)),
      clockSetAt_(std::chrono::steady_clock::now())
{
}

uint8_t MeterModel::settings() const
{
    return uint8_t((settings_ & ~CardPresentBit) | (card_ ? CardPresentBit : 0));
}

void MeterModel::setLevels(std::vector<double> levels)
{
    levels_ = std::move(levels);
    nextLevelIndex_ = 0;
}

void MeterModel::attachCard(const std::string& path)
{
    card_.reset();
    card_.emplace(path);
}

Reply MeterModel::handle(const Setup& s, std::span<const uint8_t> out)
{
    switch (s.request) {
    case GetSettings: return getSettings(s);
    case PutSettings: return putSettings(s);
    case GetReading: return reading(s);
    case SetClock: return setClock(s);
    case MoveChunk: return moveChunk(s, out);
    case SelectSector: return selectSector(s);
    case SectorOp: return sectorOperation(s);
    default: return Reply::stall();
    }
}

Reply MeterModel::getSettings(const Setup& s) const
{
    if (s.type != TypeIn) return Reply::stall();
    const std::array<uint8_t, 1> b{settings()};
    return answer(s, b);
}

Reply MeterModel::putSettings(const Setup& s)
{
    // The new byte travels in wValue of an IN request; the answer is the byte now in force.
    if (s.type != TypeIn) return Reply::stall();
    settings_ = uint8_t(s.value & 0xFF);
    const std::array<uint8_t, 1> b{settings()};
    return answer(s, b);
}

Reply MeterModel::reading(const Setup& s)
{
    if (s.type != TypeIn) return Reply::stall();
    const uint16_t word = ReadingWordFor(nextLevel(), settings());
    const std::array<uint8_t, 4> b{uint8_t(word & 0xFF), uint8_t(word >> 8), 0, 0};
    return answer(s, b);
}

double MeterModel::nextLevel()
{
    if (!levels_.empty()) {
        const double l = levels_[std::min(nextLevelIndex_, levels_.size() - 1)];
        if (nextLevelIndex_ < levels_.size()) ++nextLevelIndex_;
        return l;
    }
    // A gentle random walk in tenths of a dB, kept within a quiet room's band.
    std::uniform_int_distribution<int> step(-5, 5);
    walkLevel_ = std::clamp(walkLevel_ + step(walk_) / 10.0, 45.0, 65.0);
    return walkLevel_;
}

std::chrono::sys_seconds MeterModel::now() const
{
    using namespace std::chrono;
    return clockBase_ + duration_cast<seconds>(steady_clock::now() - clockSetAt_);
}

void MeterModel::setNow(std::chrono::sys_seconds t)
{
    clockBase_ = t;
    clockSetAt_ = std::chrono::steady_clock::now();
}

MeterTime MeterModel::clock() const
{
    using namespace std::chrono;
    const sys_seconds t = now();
    const sys_days day = floor<days>(t);
    const year_month_day ymd{day};
    const hh_mm_ss<seconds> tod{t - day};
    return {2000 + int(ymd.year()) % 100, int(unsigned(ymd.month())), int(unsigned(ymd.day())), int(tod.hours().count()),
            int(tod.minutes().count()), int(tod.seconds().count())};
}

Reply MeterModel::setClock(const Setup& s)
{
    using namespace std::chrono;
    if (s.type != TypeOut) return Reply::stall();
    const auto a = FromBcd(uint8_t(s.value >> 8));
    const auto b = FromBcd(uint8_t(s.index & 0xFF));
    const auto c = FromBcd(uint8_t(s.index >> 8));
    if (!a || !b || !c) return Reply::stall();

    const sys_seconds t = now();
    const sys_days today = floor<days>(t);
    switch (s.value & 0xFF) {
    case 0: {  // date: year within the century, month, day; the time of day runs on
        const year_month_day ymd{year(2000 + *a), month(unsigned(*b)), day(unsigned(*c))};
        if (!ymd.ok()) return Reply::stall();
        setNow(sys_days(ymd) + (t - today));
        break;
    }
    case 1: {  // time of day; the date stays
        if (*a > 23 || *b > 59 || *c > 59) return Reply::stall();
        setNow(today + hours(*a) + minutes(*b) + seconds(*c));
        break;
    }
    default: return Reply::stall();
    }
    return accepted(s);
}

Reply MeterModel::selectSector(const Setup& s)
{
    if (s.type != TypeOut) return Reply::stall();
    selected_ = uint32_t(s.value) | (uint32_t(s.index) << 16);
    return accepted(s);
}

Reply MeterModel::sectorOperation(const Setup& s)
{
    if (s.type != TypeOut) return Reply::stall();
    // Bits 8-31 come with this request, bits 0-7 only with the selection before it: the low
    // byte of wValue carries the operation instead.
    const uint32_t sector = (uint32_t(s.index) << 16) | (s.value & 0xFF00u) | (selected_ & 0xFFu);
    if (!card_) return Reply::stall();
    switch (s.value & 0xFF) {
    case 0:
        if (!card_->readSector(sector, buffer_)) return Reply::stall();
        break;
    case 1:
        if (!card_->writeSector(sector, buffer_)) return Reply::stall();
        break;
    default: return Reply::stall();
    }
    return accepted(s);
}

Reply MeterModel::moveChunk(const Setup& s, std::span<const uint8_t> out)
{
    const std::size_t length = s.value >> 8;
    const std::size_t offset = s.index;
    if (length == 0 || length > MaxChunk || offset + length > SectorSize) return Reply::stall();
    if (s.type == TypeIn) return answer(s, std::span(buffer_).subspan(offset, length));
    if (s.type != TypeOut) return Reply::stall();
    const std::size_t n = std::min(length, out.size());
    std::copy_n(out.begin(), n, buffer_.begin() + long(offset));
    return {int(out.size()), {}};
}

}  // namespace pelzo::vmeter
