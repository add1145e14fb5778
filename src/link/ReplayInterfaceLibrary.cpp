#include "link/ReplayInterfaceLibrary.h"

#include <QFileInfo>

#include "link/SimPipe.h"
#include "platform/FileAccess.h"

namespace dravik {

std::optional<sim::Recording> readRecordingFile(const QString& path, QString* error) {
    auto fail = [&](const QString& why) {
        if (error != nullptr) *error = QStringLiteral("%1: %2").arg(path, why);
        return std::nullopt;
    };
    const FileContent content = readRegularFile(path, static_cast<qint64>(sim::kMaxRecordingBytes));
    if (content.tooLarge) {
        // Named with the size the file has, not with how much of it was looked at.
        return fail(QStringLiteral("the recording is %1 bytes; at most %2 are read")
                        .arg(QFileInfo(path).size())
                        .arg(sim::kMaxRecordingBytes));
    }
    if (content.error == kNotAFileReason) return fail(QStringLiteral("not a regular file"));
    if (!content.ok) return fail(content.error);
    std::string why;
    auto recording = sim::parseRecording(content.bytes.toStdString(), why);
    if (!recording) return fail(QString::fromStdString(why));
    return recording;
}

ReplayInterfaceLibrary::ReplayInterfaceLibrary(Clock& clock, sim::Recording recording)
    : ExchangeLibrary(clock),
      replay_(std::move(recording), clock.nowUs()),
      // "replay:simulated": a recording of a replay of the bench.
      simulated_(replay_.recording().backend == "simulated" ||
                 replay_.recording().backend.ends_with(":simulated")) {
    // A difference names the commands as the status log does.
    replay_.setNamer([](const std::vector<std::uint8_t>& bytes) {
        std::string name = frameCommandNames(bytes.data(), bytes.size());
        if (name.empty() && !bytes.empty()) name = std::string(loaderCommandName(bytes[0]));
        return name;
    });
}

int ReplayInterfaceLibrary::BSL_NumOfUSBDevices(std::uint16_t vid, std::uint16_t pid) {
    std::lock_guard lock(mutex_);
    replay_.advance(clock_.nowUs());
    return replay_.count(vid, pid);
}

int ReplayInterfaceLibrary::BSL_RegisterUSBDeviceNotification(std::function<void()> onChange) {
    onChange_ = std::move(onChange);
    busTimer_ = simpipe::startBusPoll([this] { pollBus(); });
    return 0;
}

void ReplayInterfaceLibrary::BSL_UnRegisterUSBDeviceNotification() {
    busTimer_.reset();
    onChange_ = nullptr;
}

int ReplayInterfaceLibrary::BSL_initialize_BSL(const char* device) {
    int result = 0;
    {
        std::lock_guard lock(mutex_);
        result = replay_.open(device != nullptr ? std::string(device) : std::string(), clock_.nowUs());
    }
    if (result < 0) {
        reportFailure();
        return kOpenNoDevice;
    }
    if (result == 0) bslOpened();
    return result;
}

void ReplayInterfaceLibrary::USB_TX(dataBuffer report) {
    {
        std::lock_guard lock(mutex_);
        replay_.write(simpipe::pack(report), clock_.nowUs());
    }
    reportFailure();
}

bool ReplayInterfaceLibrary::USB_RX(dataBuffer* report) {
    return simpipe::poll(clock_, mutex_, replay_, report, kPollWaitUs);
}

std::string ReplayInterfaceLibrary::ramLoaderImage() const {
    return simulated_ ? sim::Bench::testRamLoaderText() : std::string();
}

void ReplayInterfaceLibrary::pollBus() {
    int due = 0;
    {
        std::lock_guard lock(mutex_);
        replay_.advance(clock_.nowUs());
        while (replay_.takeNotification()) ++due;
    }
    for (; due > 0 && onChange_; --due) onChange_();
}

void ReplayInterfaceLibrary::setOnMismatch(std::function<void(const QString&)> onMismatch) {
    std::lock_guard lock(mutex_);
    onMismatch_ = std::move(onMismatch);
}

void ReplayInterfaceLibrary::reportFailure() {
    std::function<void(const QString&)> tell;
    QString why;
    {
        std::lock_guard lock(mutex_);
        if (told_ || replay_.failure().empty()) return;
        told_ = true;
        tell = onMismatch_;
        why = QString::fromStdString(replay_.failure());
    }
    if (tell) tell(why);
}

QString ReplayInterfaceLibrary::failure() const {
    std::lock_guard lock(mutex_);
    return QString::fromStdString(replay_.failure());
}

QString ReplayInterfaceLibrary::unplayed() const {
    std::lock_guard lock(mutex_);
    return QString::fromStdString(replay_.unplayed());
}

int ReplayInterfaceLibrary::exchangesMatched() const {
    std::lock_guard lock(mutex_);
    return replay_.exchangesMatched();
}

int ReplayInterfaceLibrary::exchangesRecorded() const {
    std::lock_guard lock(mutex_);
    return replay_.exchangesRecorded();
}

std::string ReplayInterfaceLibrary::recordedDatabase() const {
    std::lock_guard lock(mutex_);
    return replay_.recording().database;
}

std::string ReplayInterfaceLibrary::recordedProgram() const {
    std::lock_guard lock(mutex_);
    return replay_.recording().program;
}

}  // namespace dravik
