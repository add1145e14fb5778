#pragma once
// The interface library on the simulated bench (in-process). Every call takes the bench's time
// from the one clock, so the same code runs on real and on virtual time.

#include <functional>
#include <memory>
#include <mutex>
#include <utility>

#include <QObject>

#include "link/ExchangeLibrary.h"
#include "sim/Bench.h"

namespace dravik {

class SimulatedInterfaceLibrary final : public ExchangeLibrary {
public:
    // How long one receive poll waits for an answer before it returns without one.
    static constexpr std::int64_t kPollWaitUs = 10000;

    SimulatedInterfaceLibrary(Clock& clock, sim::BenchConfig config);

    int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) override;
    int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) override;
    void BSL_UnRegisterUSBDeviceNotification() override;
    void BSL_setFamily(int) override {}
    void BSL_setCom(int) override {}
    int BSL_initialize_BSL(const char* device) override;
    void USB_TX(dataBuffer report) override;
    bool USB_RX(dataBuffer* report) override;

    std::string ramLoaderImage() const override;

    // Bench control for scripts and tests (UI thread). Plugging notifies like a real device.
    void setPlugged(bool plugged);
    // Unplugs the bench in use, puts a new one in its place and plugs that in.
    void replaceBench(sim::BenchConfig config);
    // Notifies when the adapter left or came back on the bus by itself (a restart); the window
    // calls it from a short timer, tests from their virtual timer.
    void pollBus();
    // Runs f with the bench locked.
    void withBench(const std::function<void(sim::Bench&)>& f);
    const std::string& lastDeviceText() const { return deviceText_; }

private:
    std::mutex mutex_;
    sim::Bench bench_;
    std::function<void()> onChange_;
    std::string deviceText_;
    bool open_ = false;
    int openGeneration_ = 0;
    // What the last notification told: on the bus, and with which product id.
    std::pair<bool, std::uint16_t> lastBus_{false, 0};
    std::unique_ptr<QObject> busTimer_;
};

}  // namespace dravik
