#include "vmeter/virtualmeter.h"

#include "vmeter/preload.h"

#include <fcntl.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <umockdev.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <stdexcept>

namespace pelzo::vmeter {

namespace {

template <typename T>
struct GObjectUnref {
    void operator()(T* p) const { g_object_unref(p); }
};
template <typename T>
using GPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct IoctlDataUnref {
    void operator()(UMockdevIoctlData* p) const { umockdev_ioctl_data_unref(p); }
};
using DataPtr = std::unique_ptr<UMockdevIoctlData, IoctlDataUnref>;

// The memory in the client that the pointer at `offset` of `data` points to.
DataPtr Resolve(UMockdevIoctlData* data, std::size_t offset, std::size_t length)
{
    g_autoptr(GError) error = nullptr;
    DataPtr p(umockdev_ioctl_data_resolve(data, offset, length, &error));
    if (!p || p->data_len < int(length)) return nullptr;
    return p;
}

// The ioctl argument is the client's pointer itself; this is what it points to.
DataPtr Pointee(UMockdevIoctlData* arg, std::size_t length) { return Resolve(arg, 0, length); }

struct GFreeChars {
    void operator()(gchar* p) const { g_free(p); }
};

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd& operator=(Fd&& o) noexcept
    {
        if (this != &o) {
            reset();
            fd_ = o.fd_;
            o.fd_ = -1;
        }
        return *this;
    }
    int get() const { return fd_; }
    void reset()
    {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// Device, configuration and interface descriptor, as usbfs shows them at the start of the node.
std::vector<uint8_t> DeviceFile(uint16_t vendor, uint16_t product)
{
    return {
        18, 1, 0x10, 0x01, 0xFF, 0, 0, 8,                   // USB 1.1, vendor class, ep0 8 bytes
        uint8_t(vendor), uint8_t(vendor >> 8), uint8_t(product), uint8_t(product >> 8),
        0x00, 0x01, 0, 0, 0, 1,                             // bcdDevice 1.00, no strings, 1 config
        9, 2, 18, 0, 1, 1, 0, 0x80, 50,                     // bus powered, 100 mA
        9, 4, 0, 0, 0, 0xFF, 0, 0, 0,                       // one interface, control pipe only
    };
}

std::vector<uint8_t> RootHubFile()
{
    return {
        18, 1, 0x00, 0x02, 9, 0, 0, 64, 0x6B, 0x1D, 0x02, 0x00, 0x01, 0x06, 0, 0, 0, 1,
        9, 2, 25, 0, 1, 1, 0, 0xE0, 0,
        9, 4, 0, 0, 1, 9, 0, 0, 0,
        7, 5, 0x81, 3, 4, 0, 12,
    };
}

std::string NodePath(int bus, int device)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "/dev/bus/usb/%03d/%03d", bus, device);
    return buf;
}

void WriteNode(const std::string& root, const std::string& node, const std::vector<uint8_t>& bytes)
{
    const std::string path = root + node;
    const std::string dir = path.substr(0, path.rfind('/'));
    if (g_mkdir_with_parents(dir.c_str(), 0755) != 0)
        throw std::runtime_error(dir + ": " + std::strerror(errno));
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.get() < 0 || ::write(fd.get(), bytes.data(), bytes.size()) != ssize_t(bytes.size()))
        throw std::runtime_error(path + ": " + std::strerror(errno));
}

void AppendHex(std::string& s, unsigned v, int digits)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*x", digits, v);
    s += buf;
}

}  // namespace

std::string TraceLine(const TraceEntry& e)
{
    std::string s;
    AppendHex(s, e.setup.type, 2);
    s += ' ' + std::to_string(e.setup.request) + ' ';
    AppendHex(s, e.setup.value, 4);
    s += ' ';
    AppendHex(s, e.setup.index, 4);
    s += ' ' + std::to_string(e.setup.length) + ' ';
    if (!e.data || e.data->empty()) {
        s += '-';
    } else {
        for (uint8_t b : *e.data) AppendHex(s, b, 2);
    }
    return s;
}

struct Device {
    int bus = 1;
    int number = 0;
    uint16_t vendor = 0;
    uint16_t product = 0;
    bool plugged = false;
    std::string node() const { return NodePath(bus, number); }
};

struct VirtualMeter::Impl {
    GPtr<UMockdevTestbed> testbed;
    GPtr<UMockdevIoctlBase> handler;
    std::string root;

    mutable std::mutex mutex;  // everything below; the worker thread serves transfers
    std::vector<Device> devices;
    std::map<int, int> nextNumber;  // bus -> next free device number
    MeterModel model;
    std::set<unsigned> failing;
    unsigned unplugAfter = 0;
    unsigned count = 0;
    std::vector<TraceEntry> trace;
    Fd traceFile;

    ~Impl();
    void addBus(int bus);
    DeviceId add(uint16_t vendor, uint16_t product, int bus);
    bool plug(DeviceId id);
    bool unplugLocked(DeviceId id);
    const Device& device(DeviceId id) const;

    gboolean serve(UMockdevIoctlClient* client);
    void control(UMockdevIoctlClient* client, std::size_t deviceIndex);
    void connectInfo(UMockdevIoctlClient* client, const Device& dev);
    void record(const TraceEntry& e);
    std::optional<std::size_t> currentDevice(const char* node) const;

    static gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self)
    {
        return static_cast<Impl*>(self)->serve(client);
    }
};

VirtualMeter::Impl::~Impl()
{
    // The testbed stops its worker thread first, so no transfer reaches a dying handler.
    testbed.reset();
    handler.reset();
}

const Device& VirtualMeter::Impl::device(DeviceId id) const
{
    if (id < 0 || std::size_t(id) >= devices.size()) throw std::out_of_range("no such virtual device");
    return devices[std::size_t(id)];
}

void VirtualMeter::Impl::addBus(int bus)
{
    if (nextNumber.count(bus)) return;
    WriteNode(root, NodePath(bus, 1), RootHubFile());
    nextNumber[bus] = 2;
}

DeviceId VirtualMeter::Impl::add(uint16_t vendor, uint16_t product, int bus)
{
    if (bus < 1 || bus > 999) throw std::out_of_range("bus number out of range");
    DeviceId id;
    {
        std::lock_guard lock(mutex);
        addBus(bus);
        devices.push_back({bus, 0, vendor, product, false});
        id = DeviceId(devices.size() - 1);
    }
    plug(id);
    return id;
}

bool VirtualMeter::Impl::plug(DeviceId id)
{
    std::string node;
    Device dev;
    {
        std::lock_guard lock(mutex);
        Device& d = devices.at(std::size_t(id));
        if (d.plugged) return false;
        // libusb 0.1 knows a device by its file name: a new plug needs a new number.
        d.number = nextNumber[d.bus]++;
        if (d.number > 127) throw std::runtime_error("no free device number on the bus");
        dev = d;
        node = d.node();
    }
    // Not under the lock: umockdev talks to its worker thread, which may be waiting for it.
    g_autoptr(GError) error = nullptr;
    if (!umockdev_testbed_attach_ioctl(testbed.get(), node.c_str(), handler.get(), &error))
        throw std::runtime_error(node + ": " + error->message);
    std::lock_guard lock(mutex);
    WriteNode(root, node, DeviceFile(dev.vendor, dev.product));
    devices[std::size_t(id)].plugged = true;
    return true;
}

bool VirtualMeter::Impl::unplugLocked(DeviceId id)
{
    Device& d = devices.at(std::size_t(id));
    if (!d.plugged) return false;
    // The handler stays attached: handles opened before still reach it and learn ENODEV.
    ::unlink((root + d.node()).c_str());
    d.plugged = false;
    return true;
}

std::optional<std::size_t> VirtualMeter::Impl::currentDevice(const char* node) const
{
    for (std::size_t i = 0; i < devices.size(); ++i)
        if (devices[i].plugged && devices[i].node() == node) return i;
    return std::nullopt;
}

gboolean VirtualMeter::Impl::serve(UMockdevIoctlClient* client)
{
    std::lock_guard lock(mutex);
    const auto index = currentDevice(umockdev_ioctl_client_get_devnode(client));
    if (!index) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return TRUE;
    }
    switch (umockdev_ioctl_client_get_request(client)) {
    case USBDEVFS_CONTROL: control(client, *index); break;
    case USBDEVFS_CONNECTINFO: connectInfo(client, devices[*index]); break;
    default: umockdev_ioctl_client_complete(client, -1, ENOTTY); break;
    }
    return TRUE;
}

void VirtualMeter::Impl::connectInfo(UMockdevIoctlClient* client, const Device& dev)
{
    DataPtr info = Pointee(umockdev_ioctl_client_get_arg(client), sizeof(usbdevfs_connectinfo));
    if (!info) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    usbdevfs_connectinfo ci{};
    ci.devnum = unsigned(dev.number);
    ci.slow = 0;
    std::memcpy(info->data, &ci, sizeof ci);
    umockdev_ioctl_client_complete(client, 0, 0);
}

void VirtualMeter::Impl::control(UMockdevIoctlClient* client, std::size_t deviceIndex)
{
    DataPtr arg = Pointee(umockdev_ioctl_client_get_arg(client), sizeof(usbdevfs_ctrltransfer));
    if (!arg) {
        umockdev_ioctl_client_complete(client, -1, EFAULT);
        return;
    }
    usbdevfs_ctrltransfer ct{};
    std::memcpy(&ct, arg->data, sizeof ct);
    const Setup setup{ct.bRequestType, ct.bRequest, ct.wValue, ct.wIndex, ct.wLength};

    // The data stage lives in the client's memory, behind the pointer at offset 16.
    DataPtr stage;
    if (setup.length > 0) {
        stage = Resolve(arg.get(), offsetof(usbdevfs_ctrltransfer, data), setup.length);
        if (!stage) {
            umockdev_ioctl_client_complete(client, -1, EFAULT);
            return;
        }
    }
    std::span<const uint8_t> out;
    if (stage && !setup.isIn()) out = std::span<const uint8_t>(stage->data, std::size_t(stage->data_len));

    const unsigned n = ++count;
    const Reply reply = failing.count(n) ? Reply::stall() : model.handle(setup, out);

    TraceEntry e{devices[deviceIndex].bus, devices[deviceIndex].number, setup, std::nullopt, reply.result};
    if (reply.result >= 0) {
        if (setup.isIn() && !reply.in.empty()) {
            std::memcpy(stage->data, reply.in.data(), reply.in.size());
            e.data = reply.in;
        } else if (!setup.isIn() && !out.empty()) {
            e.data = std::vector<uint8_t>(out.begin(), out.end());
        }
    }
    record(e);
    // Gone before the host sees the answer, so its next scan no longer finds it.
    if (unplugAfter != 0 && n == unplugAfter) unplugLocked(MeterDevice);

    if (reply.result < 0)
        umockdev_ioctl_client_complete(client, -1, -reply.result);
    else
        umockdev_ioctl_client_complete(client, reply.result, 0);
}

void VirtualMeter::Impl::record(const TraceEntry& e)
{
    trace.push_back(e);
    if (traceFile.get() < 0) return;
    // One write per line: the file is complete whenever the host gets its answer.
    const std::string line = TraceLine(e) + '\n';
    if (::write(traceFile.get(), line.data(), line.size()) != ssize_t(line.size()))
        std::fprintf(stderr, "virtual-meter: trace write failed: %s\n", std::strerror(errno));
}

// ---- public face ----

VirtualMeter::VirtualMeter() : d_(std::make_unique<Impl>())
{
    if (!Preloaded())
        throw std::runtime_error("the virtual meter needs the umockdev preload (run under umockdev-wrapper)");
    d_->testbed.reset(umockdev_testbed_new());
    std::unique_ptr<gchar, GFreeChars> root(umockdev_testbed_get_root_dir(d_->testbed.get()));
    d_->root = root.get();
    d_->handler.reset(umockdev_ioctl_base_new());
    g_signal_connect(d_->handler.get(), "handle-ioctl", G_CALLBACK(&Impl::onIoctl), d_.get());
    d_->add(MeterVendor, MeterProduct, 1);
}

VirtualMeter::~VirtualMeter() = default;

std::string VirtualMeter::rootDir() const { return d_->root; }

DeviceId VirtualMeter::addDevice(uint16_t vendor, uint16_t product, int bus) { return d_->add(vendor, product, bus); }

bool VirtualMeter::unplug(DeviceId id)
{
    std::lock_guard lock(d_->mutex);
    return d_->unplugLocked(id);
}

bool VirtualMeter::plug(DeviceId id) { return d_->plug(id); }

bool VirtualMeter::plugged(DeviceId id) const
{
    std::lock_guard lock(d_->mutex);
    return d_->device(id).plugged;
}

int VirtualMeter::busNumber(DeviceId id) const
{
    std::lock_guard lock(d_->mutex);
    return d_->device(id).bus;
}

int VirtualMeter::deviceNumber(DeviceId id) const
{
    std::lock_guard lock(d_->mutex);
    return d_->device(id).number;
}

std::string VirtualMeter::devnode(DeviceId id) const
{
    std::lock_guard lock(d_->mutex);
    return d_->device(id).node();
}

uint8_t VirtualMeter::settings() const
{
    std::lock_guard lock(d_->mutex);
    return d_->model.settings();
}

void VirtualMeter::setSettings(uint8_t b)
{
    std::lock_guard lock(d_->mutex);
    d_->model.setSettings(b);
}

void VirtualMeter::setLevels(std::vector<double> levels)
{
    std::lock_guard lock(d_->mutex);
    d_->model.setLevels(std::move(levels));
}

void VirtualMeter::attachCard(const std::string& imagePath)
{
    std::lock_guard lock(d_->mutex);
    d_->model.attachCard(imagePath);
}

void VirtualMeter::detachCard()
{
    std::lock_guard lock(d_->mutex);
    d_->model.detachCard();
}

bool VirtualMeter::hasCard() const
{
    std::lock_guard lock(d_->mutex);
    return d_->model.hasCard();
}

MeterTime VirtualMeter::clock() const
{
    std::lock_guard lock(d_->mutex);
    return d_->model.clock();
}

std::array<uint8_t, SectorSize> VirtualMeter::sectorBuffer() const
{
    std::lock_guard lock(d_->mutex);
    return d_->model.sectorBuffer();
}

void VirtualMeter::failTransfer(unsigned n)
{
    std::lock_guard lock(d_->mutex);
    d_->failing.insert(n);
}

void VirtualMeter::unplugAfter(unsigned n)
{
    std::lock_guard lock(d_->mutex);
    d_->unplugAfter = n;
}

std::vector<TraceEntry> VirtualMeter::trace() const
{
    std::lock_guard lock(d_->mutex);
    return d_->trace;
}

unsigned VirtualMeter::transferCount() const
{
    std::lock_guard lock(d_->mutex);
    return d_->count;
}

void VirtualMeter::setTraceFile(const std::string& path)
{
    Fd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (fd.get() < 0) throw std::runtime_error(path + ": " + std::strerror(errno));
    std::lock_guard lock(d_->mutex);
    d_->traceFile = std::move(fd);
}

}  // namespace pelzo::vmeter
