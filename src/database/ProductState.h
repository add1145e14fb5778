#pragma once
// The product and module descriptors: filled by the identification from the device's answers and
// the product database, read by the function panel and the module operations.

#include <QString>
#include <cstdint>

namespace dravik {

struct ProductState {
    std::uint8_t Prd_connected = 0;
    std::uint32_t Prd_Id1 = 0;
    std::uint8_t Prd_Version = 0;
    std::uint8_t Prd_Subversion = 0;
    std::uint32_t Prd_Ver_Subver = 0;
    std::uint8_t Prd_Speed = 0;
    std::uint8_t baudrate = 1;
    std::uint8_t RetryNum = 0;
    QString Prd_Name;
    std::uint32_t Prd_index = 0;
    std::uint8_t Prd_Module = 0;
    std::uint8_t Prd_Module_DirectConnection = 0;
    std::uint8_t Prd_Module_Info_Address = 0;
    std::uint8_t Prd_Module_Info_Address_Length = 0;
    std::uint8_t Prd_Version_low = 0;
    std::uint8_t Prd_Version_high = 0;
    std::uint32_t Prd_Id2 = 0;
    std::uint32_t Prd_WaitTime = 0;
    // Work for the functions machine once the product is identified: 1 = build the panel and read it.
    std::uint8_t Fnc_OperationToDo = 1;
};

struct ModuleState {
    std::uint8_t Mod_connected = 0;
    std::uint8_t Mod_timeout = 0;
    std::uint8_t Mod_HardwareVersion = 0;
    std::uint8_t Mod_SoftwareType = 0;
    std::uint8_t Mod_SoftwareVersion = 0;
    QString Mod_Name;
    std::uint8_t Mod_index = 0;
    std::uint8_t Mdl_DirectConnection = 0;
    std::uint16_t Mdl_Selected_MaxParameter_A = 0;
    std::uint16_t Mdl_Selected_MaxParameter_B = 0;
    std::uint16_t Mdl_Selected_MaxParameter_C = 0;
    std::uint8_t Mod_SlotsPerBlock = 0;
    std::uint16_t Mod_BytesPerSlot = 0;
    std::uint8_t Mod_LinesPerSlot = 0;
    std::uint8_t Mod_UnlockFlashKey1 = 0;
    std::uint8_t Mod_UnlockFlashKey2 = 0;
    std::uint8_t Mod_Speed = 0;
};

}  // namespace dravik
