// The virtual meter: a umockdev testbed with a root hub and the meter on bus 1, whose control
// transfers the real libusb 0.1 sends are answered here. Usable in-process by a test that runs
// under the umockdev preload (see EnsurePreloaded): create it before the first usb_init.
//
// Transfers are served on umockdev's worker thread; every public member is safe to call from
// any other thread while they run.
//
// libusb 0.1 keeps the devices it has seen by file name across scans and never rereads their
// descriptors: when one process makes several meters in turn (one per test), rescan
// (usb_find_busses + usb_find_devices) after destroying each, so libusb forgets its devices.
#pragma once

#include "vmeter/metermodel.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelzo::vmeter {

// One control transfer as the meter saw it.
struct TraceEntry {
    int bus = 0;
    int device = 0;  // device number on the bus at the time
    Setup setup;
    // The bytes that crossed the wire (OUT: sent, IN: answered); nothing for a stall, a
    // failure or a transfer without data.
    std::optional<std::vector<uint8_t>> data;
    int result = 0;  // bytes transferred, or -errno (-EPIPE)
};

// "<type> <request> <wValue> <wIndex> <wLength> <data>", e.g. "c0 4 0001 0000 4 2a2d0000".
std::string TraceLine(const TraceEntry& e);

// A device in the testbed; stays the same across unplug and plug (its device number does not).
using DeviceId = int;
constexpr DeviceId MeterDevice = 0;

constexpr uint16_t MeterVendor = 0x16C0;
constexpr uint16_t MeterProduct = 0x05DC;

class VirtualMeter {
public:
    // Creates the testbed with /dev/bus/usb/001/001 (root hub) and the meter as 001/002.
    // Throws std::runtime_error when the process is not under the preload or umockdev fails.
    VirtualMeter();
    ~VirtualMeter();
    VirtualMeter(const VirtualMeter&) = delete;
    VirtualMeter& operator=(const VirtualMeter&) = delete;

    // The testbed root: what UMOCKDEV_DIR must be for a child process.
    std::string rootDir() const;

    // ---- devices ----
    // Adds and plugs a device with these ids on `bus` (1-based; a new bus gets its root hub).
    // It answers control transfers like the meter and shares its state; the trace tells
    // which device a transfer went to.
    DeviceId addDevice(uint16_t vendor, uint16_t product, int bus = 1);
    // Removes the device node; open handles then get ENODEV. False when already unplugged.
    bool unplug(DeviceId id = MeterDevice);
    // Plugs it in again under the next free device number. False when already plugged.
    bool plug(DeviceId id = MeterDevice);
    bool plugged(DeviceId id = MeterDevice) const;
    int busNumber(DeviceId id = MeterDevice) const;
    int deviceNumber(DeviceId id = MeterDevice) const;
    std::string devnode(DeviceId id = MeterDevice) const;  // "/dev/bus/usb/001/002"

    // ---- meter state ----
    uint8_t settings() const;  // as request 2 reports it
    void setSettings(uint8_t b);
    void setLevels(std::vector<double> levels);  // dB, one per request 4, the last repeated
    // Throws std::runtime_error when the image cannot be opened; the old card stays then.
    void attachCard(const std::string& imagePath);
    void detachCard();
    bool hasCard() const;
    MeterTime clock() const;
    std::array<uint8_t, SectorSize> sectorBuffer() const;

    // ---- faults ----
    // The n-th control transfer (counted from 1 over all devices) fails with EPIPE.
    void failTransfer(unsigned n);
    // The meter is unplugged right after the n-th transfer has been answered.
    void unplugAfter(unsigned n);

    // ---- trace ----
    std::vector<TraceEntry> trace() const;
    unsigned transferCount() const;
    // Also writes every transfer as a TraceLine to this file, truncated first; each line is
    // written when the transfer is answered. Throws std::runtime_error when it cannot open.
    void setTraceFile(const std::string& path);

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

}  // namespace pelzo::vmeter
