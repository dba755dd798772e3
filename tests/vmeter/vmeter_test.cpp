// The virtual meter against the real libusb 0.1, in this process (main puts it under the preload).
#include "vmeter/virtualmeter.h"

#include <gtest/gtest.h>
#include <usb.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace pelzo::vmeter {
namespace {

struct UsbClose {
    void operator()(usb_dev_handle* h) const { usb_close(h); }
};
using Handle = std::unique_ptr<usb_dev_handle, UsbClose>;

struct Found {
    std::string bus;
    std::string file;
    uint16_t vendor;
    uint16_t product;
};

std::vector<Found> Scan()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    std::vector<Found> all;
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            all.push_back({bus->dirname, dev->filename, dev->descriptor.idVendor, dev->descriptor.idProduct});
    return all;
}

// Opens the first device with these ids in libusb's bus and device order.
Handle Open(uint16_t vendor = MeterVendor, uint16_t product = MeterProduct)
{
    Scan();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            if (dev->descriptor.idVendor == vendor && dev->descriptor.idProduct == product) return Handle(usb_open(dev));
    return nullptr;
}

struct Result {
    int r;
    std::vector<uint8_t> data;
};

Result In(usb_dev_handle* h, int request, int value, int index, int length, int type = 0xC0)
{
    std::vector<uint8_t> buf(std::size_t(length), 0xEE);
    const int r = usb_control_msg(h, type, request, value, index, reinterpret_cast<char*>(buf.data()), length, 5000);
    buf.resize(r > 0 ? std::size_t(r) : 0);
    return {r, buf};
}

int Out(usb_dev_handle* h, int request, int value, int index, std::vector<uint8_t> data = {}, int type = 0x40)
{
    return usb_control_msg(h, type, request, value, index, reinterpret_cast<char*>(data.data()), int(data.size()), 5000);
}

class VirtualMeterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        meter_ = std::make_unique<VirtualMeter>();
        handle_ = Open();
        ASSERT_TRUE(handle_) << "libusb did not find the virtual meter";
    }
    void TearDown() override
    {
        handle_.reset();
        meter_.reset();
        // libusb keeps devices by file name across scans; let it forget this testbed's.
        Scan();
    }
    usb_dev_handle* h() { return handle_.get(); }

    std::unique_ptr<VirtualMeter> meter_;
    Handle handle_;
};

// A temporary card image with a recognisable byte pattern.
class CardFile {
public:
    explicit CardFile(uint32_t sectors)
    {
        char tmpl[] = "/tmp/vmeter-card-XXXXXX";
        const int fd = ::mkstemp(tmpl);
        path_ = tmpl;
        EXPECT_EQ(::ftruncate(fd, off_t(sectors) * 512), 0);
        ::close(fd);
    }
    ~CardFile() { ::unlink(path_.c_str()); }
    const std::string& path() const { return path_; }

    void put(uint32_t sector, const std::vector<uint8_t>& bytes) const
    {
        const int fd = ::open(path_.c_str(), O_WRONLY);
        EXPECT_EQ(::pwrite(fd, bytes.data(), bytes.size(), off_t(sector) * 512), ssize_t(bytes.size()));
        ::close(fd);
    }
    std::vector<uint8_t> get(uint32_t sector) const
    {
        std::vector<uint8_t> b(512);
        const int fd = ::open(path_.c_str(), O_RDONLY);
        EXPECT_EQ(::pread(fd, b.data(), 512, off_t(sector) * 512), 512);
        ::close(fd);
        return b;
    }

private:
    std::string path_;
};

std::vector<uint8_t> Pattern(uint8_t seed)
{
    std::vector<uint8_t> b(512);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = uint8_t(seed + i * 7);
    return b;
}

// ---- discovery ----

TEST_F(VirtualMeterTest, LibusbSeesRootHubAndMeterFromTheDeviceFiles)
{
    const auto all = Scan();
    ASSERT_EQ(all.size(), 2u);
    bool hub = false, meter = false;
    for (const auto& d : all) {
        EXPECT_EQ(d.bus, "001");
        hub |= d.file == "001" && d.vendor == 0x1D6B;
        meter |= d.file == "002" && d.vendor == 0x16C0 && d.product == 0x05DC;
    }
    EXPECT_TRUE(hub);
    EXPECT_TRUE(meter);
    EXPECT_EQ(meter_->devnode(), "/dev/bus/usb/001/002");
    // Scanning sends nothing over the wire: the descriptors come from the files.
    EXPECT_EQ(meter_->transferCount(), 0u);
}

TEST_F(VirtualMeterTest, ExtraDevicesAppearWithTheirIdsAndAreTracedByDevice)
{
    const DeviceId other = meter_->addDevice(0x16C0, 0x05DD);
    const DeviceId second = meter_->addDevice(0x16C0, 0x05DC, 2);
    EXPECT_EQ(meter_->devnode(other), "/dev/bus/usb/001/003");
    EXPECT_EQ(meter_->devnode(second), "/dev/bus/usb/002/002");

    const auto all = Scan();
    EXPECT_EQ(all.size(), 5u);  // two root hubs, three devices
    int meters = 0, others = 0;
    for (const auto& d : all) {
        meters += d.vendor == 0x16C0 && d.product == 0x05DC;
        others += d.vendor == 0x16C0 && d.product == 0x05DD;
    }
    EXPECT_EQ(meters, 2);
    EXPECT_EQ(others, 1);

    // A transfer to the device on bus 2 is traced with that bus and number.
    Handle h2;
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        if (std::string(bus->dirname) == "002")
            for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
                if (dev->descriptor.idProduct == 0x05DC) h2.reset(usb_open(dev));
    ASSERT_TRUE(h2);
    EXPECT_EQ(In(h2.get(), 2, 1, 0, 1).r, 1);
    ASSERT_EQ(meter_->trace().size(), 1u);
    EXPECT_EQ(meter_->trace()[0].bus, 2);
    EXPECT_EQ(meter_->trace()[0].device, 2);

    // With the meters pulled out, the other product id is all that is left.
    meter_->unplug(MeterDevice);
    meter_->unplug(second);
    EXPECT_FALSE(Open());
    EXPECT_TRUE(Open(0x16C0, 0x05DD));
}

// ---- settings byte ----

TEST_F(VirtualMeterTest, SettingsByteRoundTripsAndBit6FollowsTheCard)
{
    CardFile card(16);
    struct Case {
        bool card;
        uint8_t written;
        uint8_t reported;
    };
    const Case cases[] = {
        {false, 0x00, 0x00}, {false, 0x3F, 0x3F}, {false, 0x40, 0x00}, {false, 0xBB, 0xBB & ~0x40},
        {true, 0x00, 0x40},  {true, 0x2B, 0x6B},  {true, 0x7F, 0x7F},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.written));
        if (c.card) meter_->attachCard(card.path());
        else meter_->detachCard();
        const Result put = In(h(), 3, c.written, 0, 1);
        ASSERT_EQ(put.r, 1);
        EXPECT_EQ(put.data[0], c.reported);
        const Result get = In(h(), 2, 1, 0, 1);
        ASSERT_EQ(get.r, 1);
        EXPECT_EQ(get.data[0], c.reported);
        EXPECT_EQ(meter_->settings(), c.reported);
    }
    meter_->setSettings(0x12);
    meter_->detachCard();
    EXPECT_EQ(In(h(), 2, 1, 0, 1).data, std::vector<uint8_t>{0x12});
}

// ---- readings ----

TEST_F(VirtualMeterTest, ReadingWordCarriesLevelAndSettingsBits)
{
    struct Case {
        double level;
        uint8_t settings;
        std::vector<uint8_t> reply;
    };
    const Case cases[] = {
        {59.8, 0x0B, {0x2A, 0x2D, 0, 0}},   // range 3, C, FAST: the documented example
        {30.0, 0x00, {0x00, 0x00, 0, 0}},
        {132.3, 0x16, {0xFF, 0x5B, 0, 0}},  // range 6, SLOW
        {29.4, 0x00, {0x00, 0x00, 0, 0}},   // below the scale
        {140.0, 0x00, {0xFF, 0x03, 0, 0}},  // above it
        {100.0, 0x27, {0xBC, 0x1E, 0, 0}},  // range 7; max hold (bit 5) does not show
        {55.56, 0x00, {0x00, 0x01, 0, 0}},  // rounded to tenths
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.level);
        meter_->setSettings(c.settings);
        meter_->setLevels({c.level});
        const Result r = In(h(), 4, 1, 0, 4);
        EXPECT_EQ(r.r, 4);
        EXPECT_EQ(r.data, c.reply);
    }
}

TEST_F(VirtualMeterTest, LevelsAreUsedInTurnAndTheLastRepeats)
{
    meter_->setLevels({50.0, 60.0, 70.0});
    std::vector<int> codes;
    for (int i = 0; i < 5; ++i) {
        const Result r = In(h(), 4, 1, 0, 4);
        ASSERT_EQ(r.r, 4);
        codes.push_back(r.data[0] | (r.data[1] << 8));
    }
    EXPECT_EQ(codes, (std::vector<int>{200, 300, 400, 400, 400}));
    // A shorter buffer gets the first bytes only.
    EXPECT_EQ(In(h(), 4, 1, 0, 2).data, (std::vector<uint8_t>{0x90, 0x01}));
}

TEST_F(VirtualMeterTest, DefaultLevelsWanderPlausibly)
{
    std::vector<int> codes;
    for (int i = 0; i < 40; ++i) {
        const Result r = In(h(), 4, 1, 0, 4);
        ASSERT_EQ(r.r, 4);
        codes.push_back((r.data[0] | (r.data[1] << 8)) & 0x3FF);
    }
    for (std::size_t i = 0; i < codes.size(); ++i) {
        EXPECT_GE(codes[i], 150);  // 45 dB
        EXPECT_LE(codes[i], 350);  // 65 dB
        if (i) EXPECT_LE(std::abs(codes[i] - codes[i - 1]), 5);
    }
    EXPECT_NE(*std::min_element(codes.begin(), codes.end()), *std::max_element(codes.begin(), codes.end()));
}

// ---- clock ----

TEST_F(VirtualMeterTest, ClockIsSetInBcdAndRunsOn)
{
    // 7 March 2024, 14:05:09.
    ASSERT_EQ(Out(h(), 5, 0x2400, 0x0703), 0);
    ASSERT_EQ(Out(h(), 5, 0x1401, 0x0905), 0);
    MeterTime t = meter_->clock();
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.day, 7);
    EXPECT_EQ(t.hour, 14);
    EXPECT_EQ(t.minute, 5);
    EXPECT_LE(t.second - 9, 1);

    // 23:59:59 on 31 December 2099 runs into 1 January (20)00: the century is not kept.
    ASSERT_EQ(Out(h(), 5, 0x9900, 0x3112), 0);
    ASSERT_EQ(Out(h(), 5, 0x2301, 0x5959), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    t = meter_->clock();
    EXPECT_EQ(t.year, 2000);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
    EXPECT_EQ(t.minute, 0);

    // Setting the date keeps the time of day.
    ASSERT_EQ(Out(h(), 5, 0x0500, 0x0110), 0);
    t = meter_->clock();
    EXPECT_EQ(t.year, 2005);
    EXPECT_EQ(t.month, 10);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 0);
}

TEST_F(VirtualMeterTest, ClockRejectsWhatIsNoDateOrTime)
{
    ASSERT_EQ(Out(h(), 5, 0x2400, 0x0703), 0);
    ASSERT_EQ(Out(h(), 5, 0x1401, 0x0905), 0);
    struct Case {
        int value, index;
    };
    const Case bad[] = {
        {0x2400, 0x0713},  // month 13
        {0x2400, 0x0700},  // month 0
        {0x2400, 0x300C},  // 0x0C is no BCD month 12
        {0x2300, 0x2902},  // 29 February 2023
        {0x2400, 0x0003},  // day 0
        {0x2401, 0x0000},  // hour 24
        {0x1401, 0x0960},  // minute 60
        {0x1A01, 0x0000},  // hour 0x1A
        {0x1402, 0x0905},  // no such selector
    };
    for (const auto& c : bad) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Out(h(), 5, c.value, c.index), -EPIPE);
    }
    const MeterTime t = meter_->clock();
    EXPECT_EQ(t.year, 2024);
    EXPECT_EQ(t.month, 3);
    EXPECT_EQ(t.hour, 14);
    EXPECT_EQ(Out(h(), 5, 0x2400, 0x2902), 0);  // 29 February 2024 is fine
}

// ---- card sectors ----

TEST_F(VirtualMeterTest, SectorReadSelectsLoadsAndFetchesFourChunks)
{
    constexpr uint32_t sector = 0x012345;
    CardFile card(sector + 2);
    card.put(sector, Pattern(3));
    card.put(sector + 1, Pattern(9));
    meter_->attachCard(card.path());

    ASSERT_EQ(Out(h(), 81, 0x2345, 0x0001, {0x45, 0x23, 0x01, 0x00}), 4);
    ASSERT_EQ(Out(h(), 83, 0x2300, 0x0001, {0x00, 0x23, 0x01, 0x00}), 4);
    std::vector<uint8_t> got;
    for (int offset : {0, 128, 256, 384}) {
        const Result r = In(h(), 80, 0x8000, offset, 128);
        ASSERT_EQ(r.r, 128);
        got.insert(got.end(), r.data.begin(), r.data.end());
    }
    EXPECT_EQ(got, Pattern(3));

    // A chunk shorter than 128 at an odd offset.
    const std::vector<uint8_t> pattern = Pattern(3);
    const Result part = In(h(), 80, 0x0500, 3, 5);
    EXPECT_EQ(part.data, std::vector<uint8_t>(pattern.begin() + 3, pattern.begin() + 8));
}

TEST_F(VirtualMeterTest, SectorWriteFillsTheBufferThenStores)
{
    constexpr uint32_t sector = 0x012345;
    CardFile card(sector + 2);
    card.put(sector + 1, Pattern(9));
    meter_->attachCard(card.path());
    const std::vector<uint8_t> data = Pattern(42);

    ASSERT_EQ(Out(h(), 81, 0x2345, 0x0001, {0, 0, 0, 0}), 4);
    for (int offset : {0, 128, 256, 384})
        ASSERT_EQ(Out(h(), 80, 0x8000, offset, std::vector<uint8_t>(data.begin() + offset, data.begin() + offset + 128)), 128);
    EXPECT_EQ(card.get(sector), std::vector<uint8_t>(512, 0));  // nothing stored yet
    const auto buffer = meter_->sectorBuffer();
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.end()), data);
    ASSERT_EQ(Out(h(), 83, 0x2301, 0x0001, {0, 0, 0, 0}), 4);
    EXPECT_EQ(card.get(sector), data);
    EXPECT_EQ(card.get(sector + 1), Pattern(9));
    EXPECT_EQ(card.get(sector - 1), std::vector<uint8_t>(512, 0));
}

TEST_F(VirtualMeterTest, SectorOperationTakesHighBitsFromItselfAndLowByteFromTheSelection)
{
    CardFile card(0x300);
    const std::vector<uint8_t> pattern = Pattern(1);
    card.put(0x245, pattern);
    meter_->attachCard(card.path());
    ASSERT_EQ(Out(h(), 81, 0x0145, 0x0000, {0, 0, 0, 0}), 4);
    ASSERT_EQ(Out(h(), 83, 0x0200, 0x0000, {0, 0, 0, 0}), 4);  // bits 8-15 say 0x02
    EXPECT_EQ(In(h(), 80, 0x8000, 0, 128).data, std::vector<uint8_t>(pattern.begin(), pattern.begin() + 128));
}

TEST_F(VirtualMeterTest, SectorRequestsOutsideTheirLimitsStall)
{
    CardFile card(4);
    // Without a card nothing loads or stores, but the buffer still moves.
    ASSERT_EQ(Out(h(), 81, 0, 0, {0, 0, 0, 0}), 4);
    EXPECT_EQ(Out(h(), 83, 0, 0, {0, 0, 0, 0}), -EPIPE);
    EXPECT_EQ(Out(h(), 83, 1, 0, {0, 0, 0, 0}), -EPIPE);
    EXPECT_EQ(In(h(), 80, 0x8000, 0, 128).r, 128);

    meter_->attachCard(card.path());
    EXPECT_EQ(Out(h(), 83, 0, 0, {0, 0, 0, 0}), 4);
    EXPECT_EQ(Out(h(), 83, 2, 0, {0, 0, 0, 0}), -EPIPE);  // no such operation
    ASSERT_EQ(Out(h(), 81, 4, 0, {0, 0, 0, 0}), 4);       // past the image's end
    EXPECT_EQ(Out(h(), 83, 0, 0, {0, 0, 0, 0}), -EPIPE);
    EXPECT_EQ(Out(h(), 83, 1, 0, {0, 0, 0, 0}), -EPIPE);

    EXPECT_EQ(In(h(), 80, 0x8100, 0, 129).r, -EPIPE);  // longer than a chunk
    EXPECT_EQ(In(h(), 80, 0x0000, 0, 0).r, -EPIPE);    // empty
    EXPECT_EQ(In(h(), 80, 0x8000, 385, 128).r, -EPIPE);  // past the buffer
    EXPECT_EQ(Out(h(), 80, 0x8000, 448, std::vector<uint8_t>(128)), -EPIPE);
    EXPECT_EQ(In(h(), 80, 0x8000, 384, 128).r, 128);
}

// ---- stalls, faults, unplugging ----

TEST_F(VirtualMeterTest, RequestsOutsideTheTableStall)
{
    struct Case {
        int type, request, value, length;
    };
    const Case cases[] = {
        {0xC0, 1, 0, 1},   {0xC0, 6, 0, 1},    {0xC0, 82, 0, 4},  {0x80, 6, 0x0100, 18},  // unknown, standard
        {0x40, 2, 1, 0},   {0x40, 4, 1, 0},    {0x40, 3, 1, 0},                           // wrong direction
        {0xC0, 5, 0, 0},   {0xC0, 81, 0, 4},   {0xC0, 83, 0, 4},  {0x41, 81, 0, 0},       // wrong type
        {0xC1, 2, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        std::vector<uint8_t> buf(std::size_t(c.length));
        EXPECT_EQ(usb_control_msg(h(), c.type, c.request, c.value, 0, reinterpret_cast<char*>(buf.data()), c.length, 5000),
                  -EPIPE);
    }
    // The meter goes on answering afterwards.
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, 1);
    const auto t = meter_->trace();
    ASSERT_EQ(t.size(), std::size(cases) + 1);
    EXPECT_EQ(t[0].result, -EPIPE);
    EXPECT_FALSE(t[0].data);
}

TEST_F(VirtualMeterTest, FailingTransferStallsOnceAndIsTracedWithoutData)
{
    meter_->setLevels({59.8});
    meter_->setSettings(0x0B);
    meter_->failTransfer(2);
    EXPECT_EQ(In(h(), 4, 1, 0, 4).r, 4);
    EXPECT_EQ(In(h(), 4, 1, 0, 4).r, -EPIPE);
    EXPECT_EQ(In(h(), 4, 1, 0, 4).r, 4);
    const auto t = meter_->trace();
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(TraceLine(t[0]), "c0 4 0001 0000 4 2a2d0000");
    EXPECT_EQ(TraceLine(t[1]), "c0 4 0001 0000 4 -");
    EXPECT_EQ(TraceLine(t[2]), "c0 4 0001 0000 4 2a2d0000");
}

TEST_F(VirtualMeterTest, UnpluggedMeterAnswersOpenHandlesWithNoDevice)
{
    ASSERT_EQ(In(h(), 2, 1, 0, 1).r, 1);
    ASSERT_TRUE(meter_->unplug());
    EXPECT_FALSE(meter_->unplug());
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, -ENODEV);
    EXPECT_FALSE(Open());
    EXPECT_EQ(meter_->trace().size(), 1u);  // nothing reached the wire

    ASSERT_TRUE(meter_->plug());
    EXPECT_EQ(meter_->deviceNumber(), 3);  // a new number, so libusb sees a new device
    Handle again = Open();
    ASSERT_TRUE(again);
    EXPECT_EQ(In(again.get(), 2, 1, 0, 1).r, 1);
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, -ENODEV);  // the old handle stays dead
    EXPECT_EQ(meter_->trace().back().device, 3);
}

TEST_F(VirtualMeterTest, UnplugAfterCountsAnsweredTransfers)
{
    meter_->unplugAfter(2);
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, 1);
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, 1);
    EXPECT_FALSE(meter_->plugged());
    EXPECT_EQ(In(h(), 2, 1, 0, 1).r, -ENODEV);
    EXPECT_FALSE(Open());
    EXPECT_EQ(meter_->transferCount(), 2u);
}

// ---- trace ----

TEST(TraceLineTest, FormatsEveryField)
{
    TraceEntry out{1, 2, {0x40, 81, 0x2345, 0x0001, 4}, std::vector<uint8_t>{0x45, 0x23, 0x01, 0x00}, 4};
    EXPECT_EQ(TraceLine(out), "40 81 2345 0001 4 45230100");
    TraceEntry clock{1, 2, {0x40, 5, 0x2400, 0x0703, 0}, std::nullopt, 0};
    EXPECT_EQ(TraceLine(clock), "40 5 2400 0703 0 -");
    TraceEntry shortIn{1, 2, {0xC0, 4, 0x0001, 0x0000, 4}, std::vector<uint8_t>{0xAB, 0xCD}, 2};
    EXPECT_EQ(TraceLine(shortIn), "c0 4 0001 0000 4 abcd");
    TraceEntry chunk{1, 2, {0xC0, 80, 0x8000, 0x0180, 128}, std::nullopt, -EPIPE};
    EXPECT_EQ(TraceLine(chunk), "c0 80 8000 0180 128 -");
}

}  // namespace
}  // namespace pelzo::vmeter
