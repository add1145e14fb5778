#pragma once
// The product database's tables with their columns at the positions the program reads, and the
// names its statements match on; tests and fuzz targets fill them with their own rows.

namespace dravik::test {

// Every table with its columns at the positions the program reads.
inline constexpr const char* kDatabaseSchema = R"sql(
CREATE TABLE Products (InfoLength, InfoAddress, Direct, Ver_low, Ver_high, Module, Comment, WaitTime,
                       Name, Id2, Identification_1, Product_key);
CREATE TABLE Modules (Speed, Key2, Key1, BytesPerSlot, SlotsPerBlock, Direct, MaxC, MaxB, MaxA, Name,
                      SwType, Comment, Reserved, Module_key);
CREATE TABLE Modules_Parameters_B_C (Name_EN, Name_IT, Name_FR, Value, Mask, Slot_source, Modules_ID);
CREATE TABLE Protocol_group_name (Group_number, Group_name);
CREATE TABLE Programmer_Quillomark (Products_ID, Enabled, Comment, NameKey, FunctionKey);
CREATE TABLE Fnc_Name (Name_EN, Name_IT, FncName_ID, Name_FR, R4, R5, R6, R7, Desc_EN, Desc_IT, Desc_FR);
CREATE TABLE Parameters_Addr (LocationKey, ProgrammerQuillomark_ID, TextLength, ValMin, ValMax, Length, Mask,
                              Address, Comment, Func_ID, ParameterKey);
CREATE TABLE Parameter_Value (Name_EN, Name_IT, Name_FR, FunctionParameter_ID, Value);
)sql";

}  // namespace dravik::test
