#include "module/ProtocolFiles.h"

#include <QByteArray>
#include <QDir>
#include <QBuffer>
#include <QFileInfo>
#include <algorithm>
#include <array>

#include "platform/FileAccess.h"
#include "link/Views.h"

namespace dravik {

namespace {

// Lines are read in pieces of at most this many characters; every valid line is shorter.
constexpr qint64 kPieceChars = 49;
constexpr std::uint8_t kModuleTypeA1 = 0xA1;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

bool isHeader(const QByteArray& line) { return line.contains("@SLOT"); }

// The line that ends the image holds "q" alone; a data line with a "q" in it is refused as data,
// never skipped, or every byte after it would be programmed one line early.
bool isEnd(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t == "q" || t == "Q";
}

// The next piece of the file: up to the line end (included) or kPieceChars characters.
bool nextPiece(QIODevice& file, QByteArray& piece) {
    if (file.atEnd()) return false;
    piece = file.readLine(kPieceChars + 1);
    return !piece.isEmpty();
}

void scan(const QByteArray& line, int position, std::uint8_t& value) {
    scanHexPair(line.constData(), static_cast<int>(line.size()), position, value);
}

QString logName(const QString& path) { return QDir::toNativeSeparators(path); }

class Loader {
  public:
    Loader(const ProtocolLoadContext& c, SlotTables& t, LogView& log) : c_(c), t_(t), log_(log) {}

    // False when the table is full: loading stops.
    bool loadFile(const QString& path) {
        // The slot table holds the path as UTF-8 bytes in a 200-byte field, terminating zero included.
        const QByteArray stored = path.toUtf8();
        if (stored.size() >= static_cast<qsizetype>(sizeof(Slot_T::file_path))) {
            log_.appendLog(QStringLiteral("Protocol file %1 skipped: its path is longer than %2 bytes")
                               .arg(logName(path))
                               .arg(sizeof(Slot_T::file_path) - 1) +
                           kCrLf);
            return true;
        }
        FileContent content = readRegularFile(path, kMaxProtocolFileBytes);
        if (content.tooLarge) {
            log_.appendLog(QStringLiteral("Protocol file %1 skipped: larger than %2 bytes")
                               .arg(logName(path))
                               .arg(kMaxProtocolFileBytes) +
                           kCrLf);
            return true;
        }
        if (!content.ok) {
            log_.appendLog(
                QStringLiteral("Protocol file %1 cannot be read: %2").arg(logName(path), content.error) + kCrLf);
            return true;
        }
        QBuffer file(&content.bytes);
        file.open(QIODevice::ReadOnly);
        const int before = loaded_;
        int section = 0;
        qint64 imageBytes = 0;
        QByteArray line;
        while (nextPiece(file, line)) {
            if (c_.workingSlots + loaded_ >= kSlotsTableUsable) {
                log_.appendLog(QStringLiteral("SlotsTable size error ! \n\r"));
                return false;
            }
            if (isHeader(line)) {
                imageBytes += readSection(file, line, stored, section);
                ++section;
            } else {
                imageBytes += dataBytes(line);
            }
        }
        if (imageBytes > kDataToSendSize) {
            // Its image could not be programmed: none of its sections is offered.
            loaded_ = before;
            log_.appendLog(QStringLiteral("Protocol file %1 refused: its data gives %2 bytes, more than %3")
                               .arg(logName(path))
                               .arg(imageBytes)
                               .arg(kDataToSendSize) +
                           kCrLf);
        }
        return true;
    }

    int loaded() const { return loaded_; }

  private:
    // The header line and the two lines after it; returns the image bytes of those two lines.
    qint64 readSection(QIODevice& file, const QByteArray& header, const QByteArray& path, int section) {
        Slot_T& slot = t_.SlotsTable[static_cast<std::size_t>(c_.workingSlots + loaded_)];
        std::uint8_t scramble = 0;
        scan(header, 5, slot.module_type);
        scan(header, 7, slot.module_version);
        scan(header, 9, scramble);
        qint64 bytes = 0;
        QByteArray line;
        if (nextPiece(file, line)) {
            for (int k = 0; k < 14; ++k) scan(line, 2 * k, slot.name[static_cast<std::size_t>(k)]);
            scan(line, 28, slot.revision);
            scan(line, 30, slot.version);
            bytes += dataBytes(line);
            if (nextPiece(file, line)) {
                scan(line, 0, slot.decoder_type);
                scan(line, 2, slot.group);
                bytes += dataBytes(line);
            }
        }
        if (scramble == kScrambleFlag) {
            for (std::uint8_t& b : slot.name) b ^= kScrambleKey;
            slot.revision ^= kScrambleKey;
            slot.version ^= kScrambleKey;
            slot.decoder_type ^= kScrambleKey;
            slot.group ^= kScrambleKey;
        }
        slot.file_path.fill(0);
        std::copy(path.begin(), path.end(), slot.file_path.begin());
        slot.file_marker = kFileMarker;
        const std::uint8_t base = c_.moduleType == kModuleTypeA1 ? c_.workingSlots : c_.allSlots;
        slot.slot_number = static_cast<std::uint8_t>(base - 3 + section);
        slot.slot_mem.fill(0);
        ++loaded_;
        return bytes;
    }

    static qint64 dataBytes(const QByteArray& line) {
        if (isHeader(line) || isEnd(line)) return 0;
        qsizetype n = line.size();
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
        return (n + 1) / 2;
    }

    const ProtocolLoadContext& c_;
    SlotTables& t_;
    LogView& log_;
    int loaded_ = 0;
};

}  // namespace

bool scanHexPair(const char* line, int length, int position, std::uint8_t& value) {
    if (position < 0) return false;
    int i = position;
    while (i < length && isBlank(line[i])) ++i;
    int digits = 0;
    unsigned v = 0;
    while (i < length && digits < 2) {
        const int d = hexDigit(line[i]);
        if (d < 0) break;
        v = v * 16 + static_cast<unsigned>(d);
        ++digits;
        ++i;
    }
    if (digits == 0) return false;
    value = static_cast<std::uint8_t>(v);
    return true;
}

int LoadExtProtocols(const QString& folder, const ProtocolLoadContext& context, SlotTables& tables,
                     LogView& log) {
    const QDir dir(folder);
    if (folder.isEmpty() || !dir.exists()) {
        log.appendLog(QStringLiteral(" '") + QDir::toNativeSeparators(folder) +
                      QStringLiteral("' not found\r\n"));
        return 0;
    }
    Loader loader(context, tables, log);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QString& name : names)
        if (!loader.loadFile(dir.filePath(name))) break;
    return loader.loaded();
}

ProtocolImage readProtocolImage(const QString& path, SlotTables& tables) {
    ProtocolImage result;
    FileContent content = readRegularFile(path, kMaxProtocolFileBytes);
    if (content.tooLarge) {
        result.error = QStringLiteral("The protocol file %1 is larger than %2 bytes")
                           .arg(logName(path))
                           .arg(kMaxProtocolFileBytes);
        return result;
    }
    if (!content.ok) {
        result.error = QStringLiteral("The protocol file %1 cannot be opened: %2").arg(logName(path), content.error);
        return result;
    }
    QBuffer file(&content.bytes);
    file.open(QIODevice::ReadOnly);
    std::array<std::uint8_t, kDataToSendSize> image{};
    int p = 0;
    int lineNumber = 0;
    QByteArray line;
    while (nextPiece(file, line)) {
        ++lineNumber;
        if (isHeader(line) || isEnd(line)) continue;
        qsizetype n = line.size();
        while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r')) --n;
        for (qsizetype i = 0; i < n; i += 2) {
            const int d1 = hexDigit(line[i]);
            const int d2 = i + 1 < n ? hexDigit(line[i + 1]) : 0;
            if (d1 < 0 || d2 < 0) {
                result.error =
                    QStringLiteral("The protocol file %1 has a character that is not hexadecimal in line %2")
                        .arg(logName(path))
                        .arg(lineNumber);
                return result;
            }
            if (p >= kDataToSendSize) {
                result.error = QStringLiteral("The protocol file %1 gives more than %2 bytes")
                                   .arg(logName(path))
                                   .arg(kDataToSendSize);
                return result;
            }
            image[static_cast<std::size_t>(p++)] = static_cast<std::uint8_t>(i + 1 < n ? d1 * 16 + d2 : d1);
        }
    }
    std::copy_n(image.begin(), p, tables.dataToSend.begin());
    result.ok = true;
    result.bytes = p;
    return result;
}

}  // namespace dravik
