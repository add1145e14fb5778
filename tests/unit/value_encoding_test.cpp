#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "product/ProductPanel.h"
#include "product/ValueEncoding.h"

using namespace dravik;

namespace {

function_parameters textItem(std::uint16_t kind, std::uint16_t length, std::uint16_t valMin = 0,
                             std::uint16_t valMax = 0) {
    return function_parameters(QStringLiteral("v"), 0, 0, 0, 0x20, length, 0xFF, kind, 1, valMin, valMax);
}

struct Shown {
    std::uint16_t kind;
    std::vector<std::uint8_t> bytes;  // in address order
    const char* text;
};

TEST(ValueEncoding, TextShownForTheBytesOfEachKind) {
    const std::vector<Shown> cases = {
        {FN_NUMBER, {0x01, 0x2C}, "300"},   // most significant byte at the lowest address
        {FN_HEX, {0x0A, 0x1B}, "1ba"},      // last byte first, no leading zeros
        {FN_DIGITS, {1, 1, 2, 5}, "1125"},  // one decimal per byte
        {FN_DIGITS, {200}, "200"},          // a one-byte code is a plain number
        {FN_NUMBER, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {FN_LIST, {1, 2}, ""},
    };
    for (const Shown& c : cases)
        EXPECT_EQ(textFromBytes(c.kind, c.bytes), QString::fromLatin1(c.text)) << c.text;
}

TEST(ValueEncoding, ListValuesAreLittleEndianAndNumbersBigEndian) {
    const std::vector<std::uint8_t> bytes{0x00, 0x04};
    EXPECT_EQ(littleEndianValue(bytes), 0x0400u);
    EXPECT_EQ(bigEndianValue(bytes), 0x0004u);
    EXPECT_EQ(listByte(0x12345678u, 0), 0x78);
    EXPECT_EQ(listByte(0x12345678u, 3), 0x12);
}

struct Encoded {
    function_parameters item;
    const char* text;
    std::vector<std::pair<int, int>> bytes;  // (offset, value) in send order
    const char* shown;
};

TEST(ValueEncoding, TextsEncodeToTheBytesTheProductHolds) {
    const std::vector<Encoded> cases = {
        {textItem(FN_DIGITS, 4), "25", {{0, 1}, {1, 1}, {2, 2}, {3, 5}}, "1125"},
        {textItem(FN_DIGITS, 1), "255", {{0, 255}}, "255"},
        {textItem(FN_NUMBER, 2), "300", {{0, 0x01}, {1, 0x2C}}, "300"},
        {textItem(FN_NUMBER, 2, 10, 600), "5", {{0, 0}, {1, 10}}, "10"},  // clamped to ValMin
        {textItem(FN_HEX, 2), "1b0A", {{1, 0x1B}, {0, 0x0A}}, "1b0A"},
    };
    for (const Encoded& c : cases) {
        const TextEncoding e = encodeText(c.item, QString::fromLatin1(c.text));
        ASSERT_TRUE(e.ok) << c.text << ": " << e.error.toStdString();
        std::vector<std::pair<int, int>> got;
        for (const ByteWrite& b : e.bytes) got.emplace_back(b.offset, b.value);
        EXPECT_EQ(got, c.bytes) << c.text;
        EXPECT_EQ(e.shownText, QString::fromLatin1(c.shown)) << c.text;
    }
}

TEST(ValueEncoding, TextsThatCannotBeWrittenExactlyAreRefused) {
    const std::vector<std::pair<function_parameters, const char*>> cases = {
        {textItem(FN_NUMBER, 2), "12a"},
        {textItem(FN_NUMBER, 2), "70000"},        // does not fit two bytes
        {textItem(FN_NUMBER, 4), "99999999999"},  // beyond 32 bits
        {textItem(FN_DIGITS, 1), "256"},
        {textItem(FN_DIGITS, 4), "12345"},  // more digits than bytes
        {textItem(FN_DIGITS, 4), " 12"},
        {textItem(FN_HEX, 2), "1ba"},  // fewer than two digits per byte
        {textItem(FN_HEX, 2), "1bzz"},
    };
    for (const auto& [item, text] : cases) {
        const TextEncoding e = encodeText(item, QString::fromLatin1(text));
        EXPECT_FALSE(e.ok) << text;
        EXPECT_FALSE(e.error.isEmpty()) << text;
    }
}

TEST(ValueEncoding, InputCheckOfShortTextBoxes) {
    struct Case {
        const char* typed;
        int maxLength;
        const char* left;
        bool refused;
    };
    const std::vector<Case> cases = {
        {"1203", 4, "1213", false},  // codes of 4 or 5 digits run 1 to 9
        {"12a", 3, "12", true},       {"a12", 5, "", true},
        {"100", 3, "100", false},                                  // a 3-character box keeps its zeros
        {"0a", 4, "1", true},         {"1b0a", 6, "1b0a", false},  // longer boxes are not checked
        {"xyz", 32767, "xyz", false},
    };
    for (const Case& c : cases) {
        const InputCheck r = checkTextInput(QString::fromLatin1(c.typed), c.maxLength);
        EXPECT_EQ(r.text, QString::fromLatin1(c.left)) << c.typed;
        EXPECT_EQ(r.refused, c.refused) << c.typed;
    }
}

TEST(ValueEncoding, RowNumbersContinueAfterKey29ForKeysFrom300) {
    EXPECT_EQ(ProductPanel::rowPrefix(1, 1), "01 - ");
    EXPECT_EQ(ProductPanel::rowPrefix(2, 1), "02 - ");
    EXPECT_EQ(ProductPanel::rowPrefix(300, 1), "30 - ");
    EXPECT_EQ(ProductPanel::rowPrefix(12, 3), "10 - ");
    // Keys at both ends of the 32-bit range number without overflow.
    constexpr std::int32_t lo = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t hi = std::numeric_limits<std::int32_t>::max();
    EXPECT_EQ(ProductPanel::rowPrefix(hi, lo), "4294967026 - ");
    EXPECT_EQ(ProductPanel::rowPrefix(lo, hi), "0-4294967294 - ");
}

}  // namespace
