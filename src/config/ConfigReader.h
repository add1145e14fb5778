#pragma once
// Reads a configuration backup file whole and checks it before anything is applied: a file that
// is not well-formed, that is larger than any real backup, that declares a document type (no
// entities are ever expanded), or whose read-back attributes are missing where required or do not
// parse in their range is refused with its first problem.

#include <QByteArray>
#include <QString>
#include <optional>

#include "config/ConfigDocument.h"

namespace dravik {

// A real backup holds a few hundred elements of about 200 bytes.
inline constexpr qint64 kConfigFileMaxBytes = 4 * 1024 * 1024;
inline constexpr int kConfigFileMaxElements = 20000;

struct ConfigReadError {
    qint64 line = 0;    // 0 when the problem is the file itself
    QString element;    // empty unless an attribute is at fault
    QString attribute;  // empty unless an attribute is at fault
    QString problem;
    // "line 3, attribute Value of Product_parameters: ..." or the bare problem.
    QString describe() const;
};

struct ConfigReadResult {
    ConfigDocument doc;
    std::optional<ConfigReadError> error;
    bool ok() const { return !error.has_value(); }
};

// Attributes that are read back:
// - root: Product_id, 0..255, missing = 0;
// - Product_parameters: Id (16 bits, -32768..65535, kept as its 16-bit pattern) and Value
//   (0..255), both required;
// - Module_parameters: missing attributes read 0 (Path: empty); the 8-bit ones 0..255, the word
//   ones 16 bits as for Id;
// - Selected_slots: Decode, Version, Slot 0..255 and Decode_group 16 bits (its low byte kept); a
//   missing one keeps the value of the previous Selected_slots element.
// Numbers are decimal with an optional sign and blanks around them. Other elements are skipped.
ConfigReadResult readConfigDocument(const QByteArray& bytes);

// Reads the file at path (at most kConfigFileMaxBytes) and then the document.
ConfigReadResult readConfigFile(const QString& path);

}  // namespace dravik
