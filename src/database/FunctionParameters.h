#pragma once
// List items built from the product database: the selectable values of a product function or of a
// module parameter, and the protocol groups.

#include <QMetaType>
#include <QString>
#include <cstdint>
#include <utility>

namespace dravik {

// Kind of a product function; decides which control the panel shows and how the value is encoded.
enum E_FUNCTION_KIND : std::uint16_t {
    FN_LIST = 1,
    FN_RANGE = 2,
    FN_ACTION = 3,
    FN_DIGITS = 4,
    FN_HEX = 5,
    FN_NUMBER = 6,
};

// Kinds held as a number under a mask (a list of values, or a range of numbers).
inline bool isListKind(std::uint32_t kind) { return kind == FN_LIST || kind == FN_RANGE; }
// Kinds shown and entered as text.
inline bool isTextKind(std::uint32_t kind) { return kind == FN_DIGITS || kind == FN_HEX || kind == FN_NUMBER; }

// One selectable value. Every item of one panel row carries the same address, length, mask and
// kind, so any item describes the row's memory location.
class function_parameters {
  public:
    QString name;                    // text shown in the list
    std::uint32_t value = 0;         // the bits this item stands for
    std::uint32_t actual_value = 0;  // value last read from the device
    std::uint32_t valueToWrite = 0;  // value to send
    std::uint16_t address = 0;
    std::uint16_t length = 0;
    std::uint32_t mask = 0;
    std::uint16_t func_id = 0;            // E_FUNCTION_KIND, or 0xFFFF for a module parameter
    std::uint16_t func_parameter_id = 0;  // parameter key
    std::uint16_t ValMin = 0;
    std::uint16_t ValMax = 0;  // 0 = no clamping

    function_parameters() = default;
    function_parameters(QString name_, std::uint32_t value_, std::uint32_t actual_value_,
                        std::uint32_t valueToWrite_, std::uint16_t address_, std::uint16_t length_,
                        std::uint32_t mask_, std::uint16_t func_id_, std::uint16_t func_parameter_id_,
                        std::uint16_t ValMin_, std::uint16_t ValMax_);

    void set_ActualValue(std::uint32_t v) { actual_value = v; }
    // Stores v, held within ValMin..ValMax when ValMax > 0.
    void set_ValueToWrite(std::uint32_t v);

    QString toString() const { return name; }
};

// One protocol group; Group_name is empty when the database has no row for the number.
class Group {
  public:
    QString Group_name;
    std::uint16_t Group_number = 0;

    Group() = default;
    Group(QString name, std::uint16_t number) : Group_name(std::move(name)), Group_number(number) {}

    QString toString() const { return Group_name; }
};

}  // namespace dravik

Q_DECLARE_METATYPE(dravik::function_parameters)
Q_DECLARE_METATYPE(dravik::Group)
