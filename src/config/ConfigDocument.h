#pragma once
// The configuration backup file ("bkd"): an XML document with the root element VuzUvazuzuvar, the
// selected values of the product's list functions and, with a module, the module's selected
// protocol and the protocols checked for writing. One record per element, in document order; the
// writer turns records into the file's exact bytes and the reader turns a file back into records.

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <variant>
#include <vector>

namespace dravik {

// Root element: the product the file was saved from. Only Product_id is read back; a file
// without it counts as identification 0.
struct ConfigRoot {
    QString Product;
    std::uint8_t Product_id = 0;
    std::uint8_t Version = 0;
    std::uint8_t Sub_version = 0;
};

// One selected value of a list or range row; Index is the 1-based row (rows not written leave gaps).
struct ConfigProductParameter {
    int Index = 0;
    std::uint16_t Id = 0;     // func_parameter_id of the selected item
    std::uint32_t Value = 0;  // its value; the reader takes only 0..255
};

// The module's selected protocol with its parameter words.
struct ConfigModuleParameters {
    QString Module;
    std::uint8_t Module_sw_type = 0;
    std::uint8_t Module_hw_version = 0;
    std::uint8_t Module_sw_version = 0;
    std::uint8_t Decode = 0;
    std::uint8_t Version = 0;
    std::uint8_t Slot = 0;
    std::uint16_t Mdl_selected_parameter_A = 0;
    std::uint16_t Mdl_selected_max_parameter_A = 0;
    std::uint16_t Mdl_selected_parameter_B_C = 0;
    std::uint16_t Mdl_selected_max_parameter_B_C = 0;
    QString Path;  // protocol file of the selected protocol; empty when it came from the module
};

// One protocol entry checked for writing.
struct ConfigSelectedSlot {
    QString Module;
    std::uint8_t Module_sw_type = 0;
    std::uint8_t Module_hw_version = 0;
    std::uint8_t Module_sw_version = 0;
    QString Password;  // scrambled (EncryptData)
    std::uint8_t Decode = 0;
    std::uint8_t Version = 0;
    std::uint8_t Slot = 0;
    std::uint8_t Decode_group = 0;
};

using ConfigElement = std::variant<ConfigProductParameter, ConfigModuleParameters, ConfigSelectedSlot>;

// The root and the elements below it, in document order.
struct ConfigDocument {
    ConfigRoot root;
    std::vector<ConfigElement> elements;
};

// The module password as stored in the file: each character's code XOR 0xA7, in decimal, without
// separators. An empty password gives an empty text.
QString EncryptData(const QString& password);

// The file's bytes: an XML declaration without encoding, one element per line, children indented
// by two blanks, attributes in their fixed order, numbers in decimal, lines ending in CR LF,
// UTF-8. Characters that XML 1.0 cannot carry are written as U+FFFD, so every file written can be
// read back.
QByteArray writeConfigDocument(const ConfigDocument& doc);

}  // namespace dravik
