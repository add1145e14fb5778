#include "link/RecordingWriter.h"

#include <QFileInfo>
#include <nlohmann/json.hpp>

namespace dravik {

namespace {

using Line = nlohmann::ordered_json;

constexpr int kMaxPayload = 62;

Line event(const char* ev, std::int64_t tUs) {
    Line line;
    line["t"] = tUs;
    line["ev"] = ev;
    return line;
}

std::string idText(std::uint16_t id) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string s = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) s += kHex[(id >> shift) & 0x0F];
    return s;
}

}  // namespace

int carriedSize(const dataBuffer& report) {
    const int size = static_cast<int>(std::min<std::uint32_t>(report.count(), kMaxPayload));
    const int frame = requestFrameSize(report);
    const bool isFrame = report[kStart] == 0x01 && report[kFixed] == 0x02 && report[kLength] >= 2;
    return size == kMaxPayload && isFrame && frame <= kMaxPayload ? frame : size;
}

std::string recordedBytes(const dataBuffer& report, int count) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (int i = kStart; i < kStart + count && i < dataBuffer::kSize; ++i) {
        if (i > kStart) out += ' ';
        if (isSecretByte(report, i)) {
            out += "**";
        } else {
            out += kHex[report[i] >> 4];
            out += kHex[report[i] & 0x0F];
        }
    }
    return out;
}

bool RecordingWriter::open(const QString& path, const RecordingHeader& header, QString* error) {
    file_.close();
    error_.clear();
    const QFileInfo info(path);
    if (info.exists() && !info.isFile()) {
        if (error != nullptr) *error = QStringLiteral("%1 is not a regular file").arg(path);
        return false;
    }
    Line line = event("start", 0);
    line["format"] = 1;
    line["program"] = header.program.toStdString();
    line["backend"] = header.backend.toStdString();
    line["database"] = header.database.toStdString();
    line["started"] = header.started.toStdString();
    // The start line replaces the file in one go: a disk too full for it leaves no empty file.
    QString reason = writeFileSafely(path, QByteArray::fromStdString(line.dump() + '\n'));
    if (reason.isEmpty()) reason = file_.open(path);
    if (!reason.isEmpty()) {
        if (error != nullptr) *error = reason;
        return false;
    }
    return true;
}

void RecordingWriter::close(std::int64_t tUs) {
    if (!file_.isOpen()) return;
    if (writeLine(event("stop", tUs).dump())) file_.close();
}

bool RecordingWriter::writeLine(const std::string& line) {
    if (!file_.isOpen()) return false;
    const QString reason = file_.append(QByteArray::fromStdString(line + '\n'));
    if (!reason.isEmpty()) {
        error_ = reason;
        file_.close();
        return false;
    }
    return true;
}

bool RecordingWriter::report(bool sent, const dataBuffer& report, std::int64_t tUs) {
    Line line = event(sent ? "tx" : "rx", tUs);
    line["data"] = recordedBytes(report, carriedSize(report));
    return writeLine(line.dump());
}

bool RecordingWriter::opened(const std::string& device, int result, std::int64_t tUs) {
    Line line = event("open", tUs);
    // Device texts are the program's own; a stray byte must not make the line invalid JSON.
    line["device"] = QString::fromLatin1(device.data(), static_cast<qsizetype>(device.size())).toStdString();
    line["result"] = result;
    return writeLine(line.dump());
}

bool RecordingWriter::notify(std::int64_t tUs) { return writeLine(event("notify", tUs).dump()); }

bool RecordingWriter::arrival(std::uint16_t vid, std::uint16_t pid, int count, std::int64_t tUs) {
    Line line = event("arrival", tUs);
    line["vid"] = idText(vid);
    line["pid"] = idText(pid);
    line["n"] = count;
    return writeLine(line.dump());
}

bool RecordingWriter::removal(std::uint16_t pid, std::int64_t tUs) {
    Line line = event("removal", tUs);
    line["pid"] = idText(pid);
    return writeLine(line.dump());
}

bool RecordingWriter::call(const char* op, std::int64_t result, std::int64_t tUs, std::int64_t address,
                           std::int64_t length) {
    Line line = event("call", tUs);
    line["op"] = op;
    line["result"] = result;
    if (address >= 0) line["address"] = address;
    if (length >= 0) line["length"] = length;
    return writeLine(line.dump());
}

}  // namespace dravik
