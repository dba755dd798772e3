// Card sectors and the file system through the real libusb 0.1 against the virtual meter: the
// exact requests on the wire, the pauses between them, and what a failed transfer leaves behind.
#include "sdcard/fat32.h"
#include "sdcard/imagecard.h"
#include "sdcard/sector.h"
#include "tests/sdcard/cardfixture.h"
#include "tests/support/testseams.h"
#include "vmeter/virtualmeter.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <numeric>

namespace pelzo::test {
namespace {

using vmeter::VirtualMeter;

std::string Hex(std::span<const uint8_t> b)
{
    static const char* digits = "0123456789abcdef";
    std::string s;
    for (uint8_t x : b) {
        s += digits[x >> 4];
        s += digits[x & 15];
    }
    return s;
}

struct MeterCardTest : ::testing::Test {
    MeterCardTest()
    {
        // A raw card of 80000 sectors, every sector filled with its own number.
        image = dir.filePath("raw.img");
        QFile f(image);
        f.open(QIODevice::WriteOnly);
        f.resize(qint64(80000) * 512);
        for (uint32_t s : {0u, 0x012345u}) {
            Sector b;
            for (int i = 0; i < SectorSize; ++i) b[size_t(i)] = uint8_t(s + uint32_t(i) * 7);
            f.seek(qint64(s) * 512);
            f.write(reinterpret_cast<const char*>(b.data()), SectorSize);
        }
        f.close();
        vm.attachCard(image.toStdString());
        EXPECT_EQ(usb.OpenMeter(), MeterOpened);
    }
    std::vector<std::string> lines() const
    {
        std::vector<std::string> out;
        for (const auto& e : vm.trace()) out.push_back(vmeter::TraceLine(e));
        return out;
    }
    Sector imageSector(uint32_t s) const
    {
        QFile f(image);
        f.open(QIODevice::ReadOnly);
        f.seek(qint64(s) * 512);
        Sector b{};
        f.read(reinterpret_cast<char*>(b.data()), SectorSize);
        return b;
    }

    QTemporaryDir dir;
    QString image;
    VirtualMeter vm;
    ScriptedDialogs dialogs;
    RecordingPause pause;
    Appusb usb{dialogs, pause};
};

TEST_F(MeterCardTest, ReadingSectorZeroSendsTheSequenceWithItsPauses)
{
    Sector buf{};
    ASSERT_TRUE(ReadSector(usb, 0, buf));
    const Sector want = imageSector(0);
    EXPECT_EQ(buf, want);
    const std::span<const uint8_t> w(want);
    const std::vector<std::string> expected{
        "40 81 0000 0000 4 00000000",
        "40 83 0000 0000 4 00000000",
        "c0 80 8000 0000 128 " + Hex(w.subspan(0, 128)),
        "c0 80 8000 0080 128 " + Hex(w.subspan(128, 128)),
        "c0 80 8000 0100 128 " + Hex(w.subspan(256, 128)),
        "c0 80 8000 0180 128 " + Hex(w.subspan(384, 128)),
    };
    EXPECT_EQ(lines(), expected);
    EXPECT_EQ(pause.pauses, (std::vector<int>{50, 100, 50, 50, 50, 50, 100}));
    EXPECT_EQ(pause.total(), ReadSectorPauses);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(MeterCardTest, ReadAndWriteCarryTheSectorNumberInBothBlocks)
{
    Sector buf{};
    ASSERT_TRUE(ReadSector(usb, 0x012345, buf));
    EXPECT_EQ(buf, imageSector(0x012345));
    auto t = lines();
    ASSERT_EQ(t.size(), 6u);
    EXPECT_EQ(t[0], "40 81 2345 0001 4 00000000");
    EXPECT_EQ(t[1], "40 83 2300 0001 4 00000000");

    Sector data;
    for (int i = 0; i < SectorSize; ++i) data[size_t(i)] = uint8_t(255 - i);
    pause.pauses.clear();
    ASSERT_TRUE(WriteSector(usb, 0x012345, data));
    t = lines();
    ASSERT_EQ(t.size(), 12u);
    const std::span<const uint8_t> d(data);
    EXPECT_EQ(t[6], "40 81 2345 0001 4 00000000");
    EXPECT_EQ(t[7], "40 80 8000 0000 128 " + Hex(d.subspan(0, 128)));
    EXPECT_EQ(t[8], "40 80 8000 0080 128 " + Hex(d.subspan(128, 128)));
    EXPECT_EQ(t[9], "40 80 8000 0100 128 " + Hex(d.subspan(256, 128)));
    EXPECT_EQ(t[10], "40 80 8000 0180 128 " + Hex(d.subspan(384, 128)));
    EXPECT_EQ(t[11], "40 83 2301 0001 4 00000000");
    EXPECT_EQ(pause.pauses, (std::vector<int>{50, 50, 50, 50, 50, 100, 100}));
    EXPECT_EQ(pause.total(), WriteSectorPauses);
    EXPECT_EQ(imageSector(0x012345), data);
}

TEST_F(MeterCardTest, AWriteWhoseDataDidNotArriveNeverReachesTheCard)
{
    const Sector before = imageSector(0x012345);
    for (unsigned failing : {2u, 3u, 5u}) {  // a piece of the write, each time
        SCOPED_TRACE(failing);
        dialogs.shown.clear();
        ASSERT_EQ(usb.OpenMeter(), MeterOpened);
        const unsigned base = vm.transferCount();
        vm.failTransfer(base + failing);
        Sector data;
        data.fill(0xAA);
        EXPECT_FALSE(WriteSector(usb, 0x012345, data));
        EXPECT_EQ(vm.transferCount(), base + failing);  // nothing after the failed request
        EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbLost});
        EXPECT_FALSE(usb.hasHandle());
        EXPECT_EQ(imageSector(0x012345), before);
        // The link is gone: the next sector makes no transfer and no second message.
        EXPECT_FALSE(ReadSector(usb, 0, data));
        EXPECT_EQ(vm.transferCount(), base + failing);
        EXPECT_EQ(dialogs.shown.size(), 1u);
    }
}

TEST_F(MeterCardTest, AFailedReadLeavesTheBufferAsItWas)
{
    vm.failTransfer(4);  // the second piece
    Sector buf;
    buf.fill(0x5A);
    EXPECT_FALSE(ReadSector(usb, 0, buf));
    Sector untouched;
    untouched.fill(0x5A);
    EXPECT_EQ(buf, untouched);
    EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbLost});
}

// The whole file system through the meter: the same results as over the image file, every
// sector costing exactly its protocol pauses.
struct MeterVolumeTest : ::testing::Test {
    MeterVolumeTest() : card(Layout::Partitioned, 1)
    {
        vm.attachCard(card.path().toStdString());
        EXPECT_EQ(usb.OpenMeter(), MeterOpened);
    }
    long countTrace(int request, uint8_t type) const
    {
        long n = 0;
        for (const auto& e : vm.trace()) n += e.setup.request == request && e.setup.type == type;
        return n;
    }
    CardImage card;
    VirtualMeter vm;
    ScriptedDialogs dialogs;
    RecordingPause pause;
    Appusb usb{dialogs, pause};
    MeterCard meter{usb};
    Fat32 fs{meter, dialogs};
};

TEST_F(MeterVolumeTest, ListsCopiesAndDeletesThroughTheMeter)
{
    ASSERT_EQ(fs.MountVolume(), MountOk);
    EXPECT_EQ(fs.volume().PartStart, 8192u);
    fs.ListRootDir();
    EXPECT_EQ(fs.EntryCount(), 7);
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    ASSERT_EQ(fs.CopyCardFile("A~1.BIN", out), CopyEnded);  // not there: the walk says so
    EXPECT_EQ(dialogs.texts(), QStringList{MsgFileNotExist});
    ASSERT_EQ(fs.CopyCardFile("ALONGF~1.BIN", out), CopyEnded);
    EXPECT_EQ(out.data(), card.source("several.bin"));
    fs.DeleteCardFile(*ShortNameOf("LINES.TXT"));

    const long reads = countTrace(83, 0x40) - countTrace(80, 0x40) / 4;
    const long writes = countTrace(80, 0x40) / 4;
    // The entry, the free count, the next-free hint (the file lies below it), one FAT entry.
    EXPECT_EQ(writes, 4);
    EXPECT_EQ(pause.total(), reads * ReadSectorPauses + writes * WriteSectorPauses);
    EXPECT_EQ(dialogs.shown.size(), 1u);
    const ShellResult fsck = card.fsck();
    EXPECT_TRUE(fsck.out.contains("FATs differ")) << fsck.out.toStdString();
    EXPECT_FALSE(fsck.out.contains("LINES")) << fsck.out.toStdString();
    EXPECT_FALSE(card.mdir().out.contains("LINES"));
}

TEST_F(MeterVolumeTest, AFailureMidwayEndsTheDeletionWithOneMessage)
{
    ASSERT_EQ(fs.MountVolume(), MountOk);
    const QByteArray before = ReadAll(card.path());
    // Each sector is 6 transfers; fail the first piece of the first write (the entry).
    const unsigned base = vm.transferCount();
    vm.failTransfer(base + 6 + 2);  // after the one-sector root walk
    fs.DeleteCardFile(*ShortNameOf("LINES.TXT"));
    EXPECT_TRUE(fs.transferFailed());
    EXPECT_EQ(dialogs.texts(), QStringList{MsgUsbLost});
    EXPECT_EQ(ReadAll(card.path()), before);
    // Later operations of the window make no transfer and say nothing more.
    const unsigned after = vm.transferCount();
    fs.ListRootDir();
    QBuffer out;
    out.open(QIODevice::ReadWrite);
    EXPECT_EQ(fs.CopyCardFile("ONE.BIN", out), CopyTransferFailed);
    EXPECT_EQ(vm.transferCount(), after);
    EXPECT_EQ(dialogs.shown.size(), 1u);
}

}  // namespace
}  // namespace pelzo::test
