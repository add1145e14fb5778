#pragma once
// The line format of a session recording (docs/recording.md): one JSON object per line, written
// as it happens, so that a crash keeps every line before it. A line is written whole or not at
// all, so the file always ends on a whole line, even when the disk fills. The module password is
// masked exactly as in the status log (isSecretByte).

#include <QString>
#include <cstdint>
#include <string>

#include "link/Report.h"
#include "platform/FileAccess.h"

namespace dravik {

struct RecordingHeader {
    QString program;   // "Dravik 10.0.0"
    QString backend;   // "usb", "simulated", or "replay:" and the backend of the recording replayed
    QString database;  // "sha256:<hex>" of the product database, or "none"
    QString started;   // "program" (from its start) or "menu" (part way through a session)
};

// The bytes a report carries: a frame up to its checksum (the rest of a request record holds bytes
// of earlier frames, the password's among them, and an answer's rest is the adapter's own), any
// other report its count.
int carriedSize(const dataBuffer& report);

// "01 f2 02 ** 00": count bytes from offset 4, secret bytes as "**".
std::string recordedBytes(const dataBuffer& report, int count);

class RecordingWriter {
public:
  // Replaces path (a regular file or none) with a file holding the start line. False with error
  // set; a previous file is then left as it was, and none is made where there was none.
  bool open(const QString& path, const RecordingHeader& header, QString* error);
  // Writes the stop line and closes.
  void close(std::int64_t tUs);
  bool isOpen() const { return file_.isOpen(); }

  // Each writes one line; false when the write failed: the file is then closed, still ending on
  // the last whole line, and error() says why.
  bool report(bool sent, const dataBuffer& report, std::int64_t tUs);
  bool opened(const std::string& device, int result, std::int64_t tUs);
  bool notify(std::int64_t tUs);
  bool arrival(std::uint16_t vid, std::uint16_t pid, int count, std::int64_t tUs);
  bool removal(std::uint16_t pid, std::int64_t tUs);
  // A loader operation or the boot-mode request and its result (address and length when given).
  bool call(const char* op, std::int64_t result, std::int64_t tUs, std::int64_t address = -1,
            std::int64_t length = -1);
  QString error() const { return error_; }

private:
    bool writeLine(const std::string& line);

    AppendFile file_;
    QString error_;
};

}  // namespace dravik
