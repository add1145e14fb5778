#pragma once
// Session recording around any interface library (the USB one, the simulated bench, a replay).
// It passes every call on and, while a recording runs, writes each report out and in with its
// time, the opens and their results, the adapter's arrivals, removals and notifications, the
// boot-mode request and the loader operations.
//
// The loader operations and the library's one-shot requests run here, over this layer's report
// exchange, so each of their reports is recorded too.

#include <QString>
#include <functional>
#include <mutex>

#include "link/ExchangeLibrary.h"
#include "link/RecordingWriter.h"

namespace dravik {

class RecordingLibrary final : public ExchangeLibrary {
public:
    RecordingLibrary(Clock& clock, InterfaceLibrary& inner);
    ~RecordingLibrary() override;

    // Starts a recording into path (replacing it); times count from now. False with error set.
    bool start(const QString& path, const RecordingHeader& header, QString* error);
    void stop();
    bool recording() const;
    // The file of the recording in progress, else of the last one; empty before any.
    QString path() const;
    // Told (on the thread that wrote) when a write failed; the recording has then stopped.
    void setOnFailed(std::function<void(const QString&)> onFailed);

    int BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) override;
    int BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) override;
    void BSL_UnRegisterUSBDeviceNotification() override;
    void BSL_setFamily(int family) override { inner_.BSL_setFamily(family); }
    void BSL_setCom(int com) override { inner_.BSL_setCom(com); }
    int BSL_initialize_BSL(const char* device) override;
    void USB_TX(dataBuffer report) override;
    bool USB_RX(dataBuffer* report) override;
    std::string ramLoaderImage() const override { return inner_.ramLoaderImage(); }

    int BootMode_Request() override;
    int BSL_RX_Password(DataBlock_ password) override;
    std::uint32_t BSL_RX_TXT(const char* text, int fast) override;
    int BSL_LoadPC(std::uint32_t address) override;
    int BSL_eraseSegment(std::uint32_t address) override;
    int BSL_CRC_Check(std::uint32_t address, std::uint32_t length) override;

private:
    // Runs write with the time since the start while a recording runs; stops it when write fails.
    void record(const std::function<bool(RecordingWriter&, std::int64_t)>& write);
    // What the count shows about the adapter on the bus; an arrival or removal when it changed.
    void noteCount(std::uint16_t vid, std::uint16_t pid, int count);

    InterfaceLibrary& inner_;
    mutable std::mutex mutex_;
    RecordingWriter writer_;
    std::int64_t startUs_ = 0;
    QString path_;
    std::function<void(const QString&)> onFailed_;
    // The adapter as the last counts showed it; kept while no recording runs, so that one started
    // later begins with it.
    bool present_ = false;
    std::uint16_t vid_ = 0;
    std::uint16_t pid_ = 0;
    int devices_ = 0;
};

}  // namespace dravik
