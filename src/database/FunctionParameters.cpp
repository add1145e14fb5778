#include "database/FunctionParameters.h"

#include <utility>

namespace dravik {

function_parameters::function_parameters(QString name_, std::uint32_t value_, std::uint32_t actual_value_,
                                         std::uint32_t valueToWrite_, std::uint16_t address_,
                                         std::uint16_t length_, std::uint32_t mask_, std::uint16_t func_id_,
                                         std::uint16_t func_parameter_id_, std::uint16_t ValMin_,
                                         std::uint16_t ValMax_)
    : name(std::move(name_)),
      value(value_),
      actual_value(actual_value_),
      valueToWrite(valueToWrite_),
      address(address_),
      length(length_),
      mask(mask_),
      func_id(func_id_),
      func_parameter_id(func_parameter_id_),
      ValMin(ValMin_),
      ValMax(ValMax_) {}

void function_parameters::set_ValueToWrite(std::uint32_t v) {
    if (ValMax == 0 || (v >= ValMin && v <= ValMax)) {
        valueToWrite = v;
    } else if (v > ValMax) {
        valueToWrite = ValMax;
    } else {
        valueToWrite = ValMin;
    }
}

}  // namespace dravik
