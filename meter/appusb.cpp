#include "meter/appusb.h"

#include <usb.h>

#include <QByteArray>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace pelzo {

namespace {

// libusb 0.1 falls back to a read-only open when the device node is not writable, and such a
// handle fails every request. Tell that case apart up front.
bool NodeWritable(const struct usb_bus* bus, const struct usb_device* dev)
{
    const char* root = std::getenv("USB_DEVFS_PATH");
    std::string path = root && *root ? root : "/dev/bus/usb";
    path += '/';
    path += bus->dirname;
    path += '/';
    path += dev->filename;
    return ::access(path.c_str(), W_OK) == 0 || errno != EACCES;
}

}  // namespace

Appusb::Appusb(Dialogs& dialogs, Pause& pause) : dialogs_(dialogs), pause_(pause) {}

Appusb::~Appusb() { CloseMeter(); }

int Appusb::OpenMeter()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();

    struct usb_device* found = nullptr;
    struct usb_bus* foundBus = nullptr;
    for (struct usb_bus* bus = usb_get_busses(); bus && !found; bus = bus->next) {
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next) {
            if (dev->descriptor.idVendor == MeterVid && dev->descriptor.idProduct == MeterPid) {
                found = dev;
                foundBus = bus;
                break;
            }
        }
    }
    // Never more than one open handle: the new one replaces the held one.
    CloseMeter();
    lastOpenDenied_ = false;
    if (!found) return MeterNotFound;
    if (!NodeWritable(foundBus, found)) {
        lastOpenDenied_ = true;
        return MeterOpenFailed;
    }
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
    const int r = usb_control_msg(handle_, RequestType(direction), request, BlockValue(block), BlockIndex(block),
                                  reinterpret_cast<char*>(buffer.data()), int(buffer.size()), RequestTimeout);
    if (r < 0) {
        dialogs_.message(PlainMessage(MsgUsbLost));
        CloseMeter();
    }
    return r;
}

}  // namespace pelzo
