#pragma once
// The interface library on a replayed recording (sim::Replay): the program meets the recorded
// adapter, answers and plug events. The first request that differs from the recording stops the
// replay; onMismatch is told once, with the exchange number and what was recorded and sent.

#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include <QObject>

#include "link/ExchangeLibrary.h"
#include "sim/Replay.h"

namespace dravik {

// Reads and checks a recording file (a regular file, at most sim::kMaxRecordingBytes). nullopt
// with error set ("FILE: line N: ...") when it cannot be replayed.
std::optional<sim::Recording> readRecordingFile(const QString& path, QString* error);

class ReplayInterfaceLibrary final : public ExchangeLibrary {
public:
    // How long one receive poll waits for an answer before it returns without one.
    static constexpr std::int64_t kPollWaitUs = 10000;

    ReplayInterfaceLibrary(Clock& clock, sim::Recording recording);

    int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) override;
    // Notifications come from pollBus(); the window's timer calls it every 20 ms.
    int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) override;
    void BSL_UnRegisterUSBDeviceNotification() override;
    void BSL_setFamily(int) override {}
    void BSL_setCom(int) override {}
    int BSL_initialize_BSL(const char* device) override;
    void USB_TX(dataBuffer report) override;
    bool USB_RX(dataBuffer* report) override;
    // A recording made on the simulated bench needs the bench's RAM loader, as the run it recorded.
    std::string ramLoaderImage() const override;

    // Plays the notifications that came due (UI thread; tests call it from their virtual timer).
    void pollBus();
    // Called once, on the thread that sent the request, when the replay stops.
    void setOnMismatch(std::function<void(const QString&)> onMismatch);
    // Empty while the program sends what was recorded.
    QString failure() const;
    // For a program that ends: the first recorded exchange it did not make; empty when it made all.
    QString unplayed() const;
    int exchangesMatched() const;
    int exchangesRecorded() const;
    // The product database's identity the recording names; empty when it names none.
    std::string recordedDatabase() const;
    // The program and version that made the recording; empty when it names none.
    std::string recordedProgram() const;

  private:
    void reportFailure();

    mutable std::mutex mutex_;
    sim::Replay replay_;
    bool simulated_ = false;
    bool told_ = false;
    std::function<void()> onChange_;
    std::function<void(const QString&)> onMismatch_;
    std::unique_ptr<QObject> busTimer_;
};

}  // namespace dravik
