#include "app/mainstate.h"
#include "meter/appusb.h"
#include "files/record.h"
#include "monitor/monitor.h"
#include "tests/support/testseams.h"
#include "vmeter/virtualmeter.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <usb.h>

using namespace pelzo;
using namespace pelzo::test;
using pelzo::vmeter::VirtualMeter;

namespace {

struct Link : ::testing::Test {
    VirtualMeter vm;
    ScriptedDialogs dialogs;
    RecordingPause pause;
    Appusb usb{dialogs, pause};

    int Request4(std::array<uint8_t, 4>& reply) { return usb.MeterRequest(DirIn, 4, RequestBlock{1, 0, 0, 0}, reply); }
};

// The first device libusb lists with the meter's ids, as bus/device numbers.
std::pair<int, int> FirstMeterInBusOrder()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (struct usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            if (dev->descriptor.idVendor == MeterVid && dev->descriptor.idProduct == MeterPid)
                return {std::atoi(bus->dirname), std::atoi(dev->filename)};
    return {0, 0};
}

}  // namespace

TEST_F(Link, OpensTheMeterAndTransfers)
{
    ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    vm.setLevels({59.8});
    std::array<uint8_t, 4> reply{};
    EXPECT_EQ(Request4(reply), 4);
    EXPECT_EQ(reply[0] | reply[1] << 8, 598 - 300);
    const auto t = vm.trace();
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].setup.type, 0xC0);
    // OUT direction: type 0x40; the block's bytes form wValue and wIndex little-endian.
    std::array<uint8_t, 4> data{};
    EXPECT_EQ(usb.MeterRequest(DirOut, 81, RequestBlock{0x00, 0x80, 0x80, 0x01}, data), 4);
    const auto t2 = vm.trace();
    ASSERT_EQ(t2.size(), 2u);
    EXPECT_EQ(t2[1].setup.type, 0x40);
    EXPECT_EQ(t2[1].setup.value, 0x8000);
    EXPECT_EQ(t2[1].setup.index, 0x0180);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Link, OtherProductIsPassedOverAndTheFirstMeterWins)
{
    vm.unplug();
    vm.addDevice(MeterVid, 0x05DD);
    EXPECT_EQ(usb.OpenMeter(), MeterNotFound);
    EXPECT_FALSE(usb.hasHandle());

    vm.plug();
    const vmeter::DeviceId second = vm.addDevice(MeterVid, MeterPid, 2);
    ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    const auto [bus, dev] = FirstMeterInBusOrder();
    std::array<uint8_t, 4> reply{};
    ASSERT_GE(Request4(reply), 0);
    const auto t = vm.trace();
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t.back().bus, bus);
    EXPECT_EQ(t.back().device, dev);
    (void)second;
}

TEST_F(Link, ReopeningKeepsOneHandle)
{
    for (int i = 0; i < 50; ++i) ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    std::array<uint8_t, 4> reply{};
    EXPECT_EQ(Request4(reply), 4);
    usb.CloseMeter();
    usb.CloseMeter();  // a second close does nothing
    EXPECT_FALSE(usb.hasHandle());
}

TEST_F(Link, FailedRequestShowsOneMessageAndDropsTheLink)
{
    ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    vm.failTransfer(1);
    std::array<uint8_t, 4> reply{};
    EXPECT_LT(Request4(reply), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, MsgUsbLost);
    EXPECT_EQ(dialogs.shown[0].caption, AppTitle);
    EXPECT_FALSE(usb.hasHandle());
    // Later requests make no transfer and show nothing until the meter is opened again.
    const unsigned transfers = vm.transferCount();
    EXPECT_LT(Request4(reply), 0);
    EXPECT_EQ(vm.transferCount(), transfers);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    EXPECT_EQ(Request4(reply), 4);
}

TEST_F(Link, UnpluggedMeterIsNotFound)
{
    ASSERT_EQ(usb.OpenMeter(), MeterOpened);
    vm.unplug();
    std::array<uint8_t, 4> reply{};
    EXPECT_LT(Request4(reply), 0);  // the held handle reaches a meter that is gone
    EXPECT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(usb.OpenMeter(), MeterNotFound);
    vm.plug();
    EXPECT_EQ(usb.OpenMeter(), MeterOpened);
}

namespace {

struct Recorder : Link {
    QTemporaryDir dir;
    MainState st;
    FixedClock clock;
    PlainTimer timer;
    Core core{st, usb, dialogs, clock, timer, pause};
    Recorder() { st.AppDir = dir.path(); }
};

}  // namespace

TEST_F(Recorder, ThreeTicksFillEveryView)
{
    vm.setLevels({59.8, 100.0, 31.0});
    vm.setSettings(0x0B);  // range 3, C weighting
    Timer1STimer(core);
    EXPECT_EQ(st.LabelUSBState, UsbLinkedText);
    EXPECT_TRUE(vm.trace().empty());  // connected but not recording: no reading requested

    ToolButton3Click(core);
    ASSERT_TRUE(st.Recording);
    const char* readouts[] = {" 59.8", "100.0", " 31.0"};
    for (int i = 0; i < 3; ++i) {
        const TickResult r = Timer1STimer(core);
        EXPECT_TRUE(r.sampled);
        EXPECT_EQ(st.Label_DB, readouts[i]);
        EXPECT_EQ(st.Label4, readouts[i]);
        EXPECT_TRUE(timer.enabled());
    }
    ToolButton3Click(core);
    EXPECT_FALSE(st.Recording);
    EXPECT_EQ(st.SampleCount, 3u);
    EXPECT_EQ(st.Grid.rowCount(), 4);
    EXPECT_EQ(st.Series_rec.count(), 3u);
    EXPECT_EQ(st.Label_LcdStart, "60");
    EXPECT_EQ(st.Label_LcdEnd, "110");
    EXPECT_EQ(st.LabelAC, "C");
    EXPECT_EQ(st.LabelFS, "FAST");
    EXPECT_EQ(st.Series1.value, double(31.0f));
    EXPECT_FLOAT_EQ(st.MaxLevel, 100.0f);
    EXPECT_FLOAT_EQ(st.MinLevel, 31.0f);
    EXPECT_TRUE(st.ChartTool_Txt.contains(QString::fromUtf8("  数值: 31.0 分贝  最大值: 100 分贝  最小值: 31 分贝")));
    EXPECT_EQ(QFileInfo(st.RecFileName).size(), 12);
    // The clock texts of the tick go into each word's time of day.
    const auto words = ReadRecordFile(st.RecFileName);
    ASSERT_TRUE(words);
    EXPECT_EQ((*words)[0], ComposeSample(0x0B << 10 | (598 - 300), 14, 3, 27));
}

TEST_F(Recorder, FailedReadingRecordsNothingAndRearms)
{
    ToolButton3Click(core);
    Timer1STimer(core);
    vm.failTransfer(vm.transferCount() + 1);
    const TickResult r = Timer1STimer(core);
    EXPECT_FALSE(r.sampled);
    EXPECT_EQ(st.SampleCount, 1u);
    EXPECT_TRUE(timer.enabled());
    EXPECT_EQ(dialogs.shown.size(), 1u);
    Timer1STimer(core);  // reconnects and goes on with sample 2
    EXPECT_EQ(st.SampleCount, 2u);
    EXPECT_EQ(st.Grid.cell(0, 2), "2");
}

TEST_F(Recorder, AxisScrollsFromSample291)
{
    ToolButton3Click(core);
    for (int i = 0; i < 290; ++i) Timer1STimer(core);
    EXPECT_EQ(st.Axis.min, 0);
    EXPECT_EQ(st.Axis.max, 300);
    Timer1STimer(core);
    EXPECT_EQ(st.Axis.min, 1);
    EXPECT_EQ(st.Axis.max, 301);
}
