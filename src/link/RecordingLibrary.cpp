#include "link/RecordingLibrary.h"

namespace dravik {

RecordingLibrary::RecordingLibrary(Clock& clock, InterfaceLibrary& inner) : ExchangeLibrary(clock), inner_(inner) {}

RecordingLibrary::~RecordingLibrary() { stop(); }

bool RecordingLibrary::start(const QString& path, const RecordingHeader& header, QString* error) {
    std::lock_guard lock(mutex_);
    if (writer_.isOpen()) writer_.close(clock_.nowUs() - startUs_);
    startUs_ = clock_.nowUs();
    if (!writer_.open(path, header, error)) return false;
    path_ = path;
    // A recording started part way through a session begins with the adapter already there.
    if (present_ && !writer_.arrival(vid_, pid_, devices_, 0)) {
        if (error != nullptr) *error = writer_.error();
        return false;
    }
    return true;
}

void RecordingLibrary::stop() {
    std::lock_guard lock(mutex_);
    if (writer_.isOpen()) writer_.close(clock_.nowUs() - startUs_);
}

bool RecordingLibrary::recording() const {
    std::lock_guard lock(mutex_);
    return writer_.isOpen();
}

QString RecordingLibrary::path() const {
    std::lock_guard lock(mutex_);
    return path_;
}

void RecordingLibrary::setOnFailed(std::function<void(const QString&)> onFailed) {
    std::lock_guard lock(mutex_);
    onFailed_ = std::move(onFailed);
}

void RecordingLibrary::record(const std::function<bool(RecordingWriter&, std::int64_t)>& write) {
    std::function<void(const QString&)> tell;
    QString why;
    {
        std::lock_guard lock(mutex_);
        if (!writer_.isOpen() || write(writer_, clock_.nowUs() - startUs_)) return;
        tell = onFailed_;
        why = QStringLiteral("Cannot write the recording %1: %2").arg(path_, writer_.error());
    }
    if (tell) tell(why);
}

void RecordingLibrary::noteCount(std::uint16_t vid, std::uint16_t pid, int count) {
    if (count > 0) {
        bool changed = false;
        {
            std::lock_guard lock(mutex_);
            changed = !present_ || vid_ != vid || pid_ != pid || devices_ != count;
            present_ = true;
            vid_ = vid;
            pid_ = pid;
            devices_ = count;
        }
        if (changed) record([&](RecordingWriter& w, std::int64_t t) { return w.arrival(vid, pid, count, t); });
        return;
    }
    bool gone = false;
    {
        std::lock_guard lock(mutex_);
        gone = present_ && vid_ == vid && pid_ == pid;
        if (gone) present_ = false;
    }
    if (gone) record([&](RecordingWriter& w, std::int64_t t) { return w.removal(pid, t); });
}

int RecordingLibrary::BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) {
    const int n = inner_.BSL_NumOfUSBDevices(vid, pid);
    noteCount(vid, pid, n);
    return n;
}

int RecordingLibrary::BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) {
    return inner_.BSL_RegisterUSBDeviceNotification([this, onChange = std::move(onChange)] {
        record([](RecordingWriter& w, std::int64_t t) { return w.notify(t); });
        if (onChange) onChange();
    });
}

void RecordingLibrary::BSL_UnRegisterUSBDeviceNotification() { inner_.BSL_UnRegisterUSBDeviceNotification(); }

int RecordingLibrary::BSL_initialize_BSL(const char* device) {
    const int result = inner_.BSL_initialize_BSL(device);
    if (result == 0) bslOpened();
    const std::string text = device != nullptr ? std::string(device) : std::string();
    record([&](RecordingWriter& w, std::int64_t t) { return w.opened(text, result, t); });
    return result;
}

void RecordingLibrary::USB_TX(dataBuffer report) {
    // Written before it goes: the time is when the program sent it, before any wait of the device.
    record([&](RecordingWriter& w, std::int64_t t) { return w.report(true, report, t); });
    inner_.USB_TX(report);
}

bool RecordingLibrary::USB_RX(dataBuffer* report) {
    if (!inner_.USB_RX(report)) return false;
    record([&](RecordingWriter& w, std::int64_t t) { return w.report(false, *report, t); });
    return true;
}

int RecordingLibrary::BootMode_Request() {
    const int r = ExchangeLibrary::BootMode_Request();
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BootMode_Request", r, t); });
    return r;
}

int RecordingLibrary::BSL_RX_Password(DataBlock_ password) {
    const int r = ExchangeLibrary::BSL_RX_Password(password);
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BSL_RX_Password", r, t); });
    return r;
}

std::uint32_t RecordingLibrary::BSL_RX_TXT(const char* text, int fast) {
    const std::uint32_t r = ExchangeLibrary::BSL_RX_TXT(text, fast);
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BSL_RX_TXT", r, t); });
    return r;
}

int RecordingLibrary::BSL_LoadPC(std::uint32_t address) {
    const int r = ExchangeLibrary::BSL_LoadPC(address);
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BSL_LoadPC", r, t, address); });
    return r;
}

int RecordingLibrary::BSL_eraseSegment(std::uint32_t address) {
    const int r = ExchangeLibrary::BSL_eraseSegment(address);
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BSL_eraseSegment", r, t, address); });
    return r;
}

int RecordingLibrary::BSL_CRC_Check(std::uint32_t address, std::uint32_t length) {
    const int r = ExchangeLibrary::BSL_CRC_Check(address, length);
    record([&](RecordingWriter& w, std::int64_t t) { return w.call("BSL_CRC_Check", r, t, address, length); });
    return r;
}

}  // namespace dravik
