#include "link/SimulatedInterfaceLibrary.h"

#include <algorithm>

namespace dravik {

SimulatedInterfaceLibrary::SimulatedInterfaceLibrary(Clock& clock, sim::BenchConfig config)
    : ExchangeLibrary(clock), bench_(std::move(config)) {}

int SimulatedInterfaceLibrary::BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) {
    std::lock_guard lock(mutex_);
    return bench_.count(vid, pid);
}

int SimulatedInterfaceLibrary::BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    return 0;
}

void SimulatedInterfaceLibrary::BSL_UnRegisterUSBDeviceNotification() { onChange_ = nullptr; }

int SimulatedInterfaceLibrary::BSL_initialize_BSL(const char* device) {
    deviceText_ = device != nullptr ? std::string(device) : std::string();
    std::lock_guard lock(mutex_);
    open_ = bench_.plugged() && bench_.accessible();
    if (open_) return 0;
    return bench_.plugged() ? kOpenNoPermission : kOpenNoDevice;
}

void SimulatedInterfaceLibrary::USB_TX(dataBuffer report) {
    sim::Report out{};
    out[0] = 0x3F;
    out[1] = static_cast<std::uint8_t>(std::min<std::uint32_t>(report.count(), 62));
    std::copy_n(report.bytes.begin() + 4, 62, out.begin() + 2);
    std::lock_guard lock(mutex_);
    if (open_ && bench_.plugged()) bench_.write(out, clock_.nowUs());
}

namespace {
// Unpacks a bench report (0x3F, size, payload) into the record: size into count, payload at 4.
bool unpack(const std::optional<sim::Report>& r, dataBuffer* report) {
    if (!r) return false;
    const int size = std::min<int>((*r)[1], 62);
    report->setCount(static_cast<std::uint32_t>(size));
    std::copy_n(r->begin() + 2, size, report->bytes.begin() + 4);
    return true;
}
}  // namespace

bool SimulatedInterfaceLibrary::USB_RX(dataBuffer* report) {
    std::int64_t waitUs = kPollWaitUs;
    {
        std::lock_guard lock(mutex_);
        const std::int64_t now = clock_.nowUs();
        if (unpack(bench_.read(now), report)) return true;
        if (auto next = bench_.nextReadyUs()) waitUs = std::clamp<std::int64_t>(*next - now, 0, kPollWaitUs);
    }
    clock_.sleepUs(waitUs);
    std::lock_guard lock(mutex_);
    return unpack(bench_.read(clock_.nowUs()), report);
}

void SimulatedInterfaceLibrary::setPlugged(bool plugged) {
    {
        std::lock_guard lock(mutex_);
        if (plugged == bench_.plugged()) return;
        if (plugged) {
            bench_.plug();
        } else {
            bench_.unplug();
            open_ = false;
        }
    }
    if (onChange_) onChange_();
}

void SimulatedInterfaceLibrary::replaceBench(sim::BenchConfig config) {
    setPlugged(false);
    {
        std::lock_guard lock(mutex_);
        config.adapter.plugged = false;
        bench_ = sim::Bench(std::move(config));
    }
    setPlugged(true);
}

void SimulatedInterfaceLibrary::withBench(const std::function<void(sim::Bench&)>& f) {
    std::lock_guard lock(mutex_);
    f(bench_);
}

}  // namespace dravik
