// The only path to the meter: vendor control requests on the default pipe through libusb 0.1.
// Like a device stream, the link also owns the protocol's pauses, so a test can run a whole
// card sequence against the virtual meter without waiting while the pauses are still checked.
#pragma once

#include "app/seams.h"

#include <array>
#include <cstdint>
#include <span>

struct usb_dev_handle;

namespace pelzo {

constexpr uint16_t MeterVid = 0x16C0;
constexpr uint16_t MeterPid = 0x05DC;
constexpr int RequestTimeout = 5000;  // ms

constexpr uint8_t DirIn = 0x80;
constexpr uint8_t DirOut = 0x00;
constexpr uint8_t VendorType = 0x40;  // vendor request, recipient device
constexpr uint8_t RequestType(uint8_t direction) { return direction | VendorType; }

using RequestBlock = std::array<uint8_t, 4>;

constexpr uint16_t BlockValue(const RequestBlock& b) { return uint16_t(b[0] | (b[1] << 8)); }
constexpr uint16_t BlockIndex(const RequestBlock& b) { return uint16_t(b[2] | (b[3] << 8)); }

// Result of OpenMeter.
enum OpenResult : int { MeterOpened = 0, MeterNotFound = 1, MeterOpenFailed = 2 };

// Result of MeterRequest when no handle is held: no transfer was made.
constexpr int NoMeterHandle = -19;  // -ENODEV

inline const QString MsgNoPermission = QStringLiteral(
    "The meter is plugged in, but this account may not open it (permission denied). Install the udev "
    "rule 70-pelzo-meter.rules into /etc/udev/rules.d or /usr/lib/udev/rules.d (cmake --install does), "
    "run 'udevadm control --reload', then unplug and replug the meter.");
inline const QString MsgUsbLost = QString::fromUtf8("USB设备已被断开,无法连接到设备!");

class Appusb {
public:
    Appusb(Dialogs& dialogs, Pause& pause);
    ~Appusb();  // the handle is released with the process, like the desk does
    Appusb(const Appusb&) = delete;
    Appusb& operator=(const Appusb&) = delete;

    int OpenMeter();
    void CloseMeter();
    // Returns the bytes transferred or the library's negative error; a failure shows the
    // message once and drops the link.
    int MeterRequest(uint8_t direction, uint8_t request, const RequestBlock& block, std::span<uint8_t> buffer);

    bool hasHandle() const { return handle_ != nullptr; }
    // True when the last OpenMeter found the meter but was refused (permissions, typically).
    bool lastOpenDenied() const { return lastOpenDenied_; }

    // Fixed protocol pause.
    void Sleep(int ms) { pause_.pause(ms); }
    Pause& pause() { return pause_; }
    Dialogs& dialogs() { return dialogs_; }

private:
    Dialogs& dialogs_;
    Pause& pause_;
    usb_dev_handle* handle_ = nullptr;  // MeterHandle
    bool lastOpenDenied_ = false;
};

}  // namespace pelzo
