#include "link/SimulatedInterfaceLibrary.h"

#include <algorithm>

#include "link/DeviceText.h"
#include "link/SimPipe.h"

namespace dravik {

SimulatedInterfaceLibrary::SimulatedInterfaceLibrary(Clock& clock, sim::BenchConfig config)
    : ExchangeLibrary(clock), bench_(std::move(config)) {}

int SimulatedInterfaceLibrary::BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) {
    std::lock_guard lock(mutex_);
    bench_.advance(clock_.nowUs());
    return bench_.count(vid, pid);
}

int SimulatedInterfaceLibrary::BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    {
        std::lock_guard lock(mutex_);
        lastBus_ = {bench_.present(), bench_.currentPid()};
    }
    busTimer_ = simpipe::startBusPoll([this] { pollBus(); });
    return 0;
}

void SimulatedInterfaceLibrary::BSL_UnRegisterUSBDeviceNotification() {
    busTimer_.reset();
    onChange_ = nullptr;
}

int SimulatedInterfaceLibrary::BSL_initialize_BSL(const char* device) {
    deviceText_ = device != nullptr ? std::string(device) : std::string();
    const auto id = parseDeviceText(deviceText_);
    std::lock_guard lock(mutex_);
    bench_.advance(clock_.nowUs());
    const bool found = bench_.present() && (!id || id->pid == bench_.currentPid());
    open_ = found && bench_.accessible();
    openGeneration_ = bench_.busGeneration();
    if (open_) {
        bslOpened();
        return 0;
    }
    return found ? kOpenNoPermission : kOpenNoDevice;
}

void SimulatedInterfaceLibrary::USB_TX(dataBuffer report) {
    const sim::Report out = simpipe::pack(report);
    std::int64_t readyUs = 0;
    {
        std::lock_guard lock(mutex_);
        readyUs = bench_.writeReadyUs();
    }
    // A device still busy with the previous report does not take the next one yet (the host's
    // write waits, as hid_write does).
    clock_.sleepUs(readyUs - clock_.nowUs());
    std::lock_guard lock(mutex_);
    bench_.advance(clock_.nowUs());
    if (!open_ || !bench_.present() || bench_.busGeneration() != openGeneration_) return;
    // Answers left over from an earlier request would be taken for this one's (a late answer to
    // the previous check would make a dead product look alive), as on the USB device.
    const std::int64_t now = clock_.nowUs();
    while (bench_.read(now)) {
    }
    bench_.write(out, now);
}

std::string SimulatedInterfaceLibrary::ramLoaderImage() const { return sim::Bench::testRamLoaderText(); }

void SimulatedInterfaceLibrary::pollBus() {
    std::pair<bool, std::uint16_t> now;
    {
        std::lock_guard lock(mutex_);
        bench_.advance(clock_.nowUs());
        now = {bench_.present(), bench_.currentPid()};
        if (now == lastBus_) return;
        lastBus_ = now;
    }
    if (onChange_) onChange_();
}

bool SimulatedInterfaceLibrary::USB_RX(dataBuffer* report) {
    return simpipe::poll(clock_, mutex_, bench_, report, kPollWaitUs);
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
        lastBus_ = {bench_.present(), bench_.currentPid()};
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
