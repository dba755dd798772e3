#include "meter/appusb.h"

#include <usb.h>

#include <cerrno>

namespace pelzo {

Appusb::Appusb(Dialogs& dialogs, Pause& pause) : dialogs_(dialogs), pause_(pause) {}

Appusb::~Appusb() { CloseMeter(); }

int Appusb::OpenMeter()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();

    struct usb_device* found = nullptr;
    for (struct usb_bus* bus = usb_get_busses(); bus && !found; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor == MeterVid && dev->descriptor.idProduct == MeterPid) {
                found = dev;
                break;
            }
        }
    }
    // Never more than one open handle: the new one replaces the held one.
    CloseMeter();
    lastOpenDenied_ = false;
    if (!found) return MeterNotFound;
    errno = 0;
    usb_dev_handle* h = usb_open(found);
    if (!h) {
        lastOpenDenied_ = (errno == EACCES || errno == EPERM);
        return MeterOpenFailed;
    }
    handle_ = h;
    return MeterOpened;
}

void Appusb::CloseMeter()
{
    if (!handle_) return;
    usb_close(handle_);
    handle_ = nullptr;
}

int Appusb::MeterRequest(uint8_t direction, uint8_t request, const RequestBlock& block, std::span<uint8_t> buffer)
{
    if (!handle_) return NoMeterHandle;
    const int r = usb_control_msg(handle_, direction | 0x40, request, BlockValue(block), BlockIndex(block),
                                  reinterpret_cast<char*>(buffer.data()), int(buffer.size()), RequestTimeout);
    if (r < 0) {
        dialogs_.message(PlainMessage(MsgUsbLost));
        CloseMeter();
    }
    return r;
}

}  // namespace pelzo
