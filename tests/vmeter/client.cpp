// A small libusb 0.1 client for end-to-end tests of virtual-meter. Each argument is one step:
//   TYPE,REQUEST,VALUE,INDEX,LENGTH[,HEXDATA]   one control transfer (fields as in the trace:
//                                               type/value/index hex, request/length decimal)
//   open                                        find and open the first 16c0:05dc again
//   sleep=MS                                    pause
//   exit=N                                      end with status N
//   until-gone / until-found                    rescan every 20 ms (up to 10 s) until the
//                                               meter is gone / back (then open it)
//   pid                                         print this process's id
// It opens the meter first and prints one line per transfer: "<result> <hex of IN data or ->".
#include "vmeter/sanitizer_defaults.h"

#include <usb.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

PELZO_ASAN_DEFAULTS
PELZO_LSAN_LIBUSB_SUPPRESSIONS

namespace {

usb_dev_handle* OpenMeter()
{
    usb_init();
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            if (dev->descriptor.idVendor == 0x16C0 && dev->descriptor.idProduct == 0x05DC) return usb_open(dev);
    return nullptr;
}

bool Present()
{
    usb_find_busses();
    usb_find_devices();
    for (usb_bus* bus = usb_get_busses(); bus; bus = bus->next)
        for (struct usb_device* dev = bus->devices; dev; dev = dev->next)
            if (dev->descriptor.idVendor == 0x16C0 && dev->descriptor.idProduct == 0x05DC) return true;
    return false;
}

bool WaitFor(bool present)
{
    for (int i = 0; i < 500; ++i) {
        if (Present() == present) return true;
        ::usleep(20000);
    }
    return false;
}

std::vector<std::string> Split(const std::string& s)
{
    std::vector<std::string> parts;
    std::size_t start = 0, comma;
    while ((comma = s.find(',', start)) != std::string::npos) {
        parts.push_back(s.substr(start, comma - start));
        start = comma + 1;
    }
    parts.push_back(s.substr(start));
    return parts;
}

void Transfer(usb_dev_handle* h, const std::string& step)
{
    const auto f = Split(step);
    if (f.size() < 5) {
        std::fprintf(stderr, "bad step '%s'\n", step.c_str());
        std::exit(3);
    }
    const int type = int(std::stoul(f[0], nullptr, 16));
    const int length = std::stoi(f[4]);
    std::vector<char> buf(std::size_t(length), 0);
    if (f.size() > 5)
        for (std::size_t i = 0; i + 1 < f[5].size() && i / 2 < buf.size(); i += 2)
            buf[i / 2] = char(std::stoul(f[5].substr(i, 2), nullptr, 16));
    const int r = h ? usb_control_msg(h, type, std::stoi(f[1]), int(std::stoul(f[2], nullptr, 16)),
                                      int(std::stoul(f[3], nullptr, 16)), buf.data(), length, 5000)
                    : -19;
    std::printf("%d ", r);
    if ((type & 0x80) && r > 0)
        for (int i = 0; i < r; ++i) std::printf("%02x", unsigned(uint8_t(buf[std::size_t(i)])));
    else
        std::printf("-");
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    usb_dev_handle* h = OpenMeter();
    if (!h) std::printf("no meter\n");
    std::fflush(stdout);
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        if (step == "open") {
            if (h) usb_close(h);
            h = OpenMeter();
            std::printf(h ? "opened\n" : "no meter\n");
        } else if (step == "until-gone") {
            std::printf(WaitFor(false) ? "gone\n" : "still there\n");
        } else if (step == "until-found") {
            if (h) usb_close(h);
            h = WaitFor(true) ? OpenMeter() : nullptr;
            std::printf(h ? "found\n" : "not found\n");
        } else if (step == "pid") {
            std::printf("%d\n", int(::getpid()));
        } else if (step.rfind("sleep=", 0) == 0) {
            ::usleep(useconds_t(std::stoi(step.substr(6))) * 1000);
        } else if (step.rfind("exit=", 0) == 0) {
            if (h) usb_close(h);
            return std::stoi(step.substr(5));
        } else {
            Transfer(h, step);
        }
        std::fflush(stdout);
    }
    if (h) usb_close(h);
    return 0;
}
