// The loader's CRC and the strict TI-TXT reader.

#include <gtest/gtest.h>

#include "firmware/Crc.h"
#include "firmware/FirmwareDownload.h"
#include "firmware/TiTxt.h"

namespace dravik {
namespace {

TEST(Crc, CheckValueAndBlockCrc) {
    CRC crc(0xFFFF);
    for (char c : std::string("123456789")) crc.CrcInput(static_cast<std::uint8_t>(c));
    EXPECT_EQ(crc.GetCrcValue(), 0x29B1);
    crc.CrcInit(0xFFFF);
    EXPECT_EQ(crc.GetCrcValue(), 0xFFFF);

    DataBlock_ block;
    const std::string digits = "123456789";
    std::copy(digits.begin(), digits.end(), block.data.begin());
    block.data[9] = 0x55;  // beyond length: not part of the CRC
    block.length = 9;
    EXPECT_EQ(FirmwareDownload::Calculate_CRC(block), 0x29B1u);
    block.length = 0;
    EXPECT_EQ(FirmwareDownload::Calculate_CRC(block), 0xFFFFu);
}

struct GoodCase {
    const char* name;
    const char* text;
    std::vector<std::pair<std::uint32_t, std::size_t>> sections;  // address, byte count
};

TEST(TiTxt, AcceptsWhatTheFormatAllows) {
    const GoodCase cases[] = {
        {"plain", "@4400\n01 02 03\nq\n", {{0x4400, 3}}},
        {"any case and white space", "  @fFe0 \r\n\tab  CD\tef \r\n\r\n Q \r\n", {{0xFFE0, 3}}},
        {"odd address and length", "@4601\n01 02 03 04 05\n@5233\n0A\nq", {{0x4601, 5}, {0x5233, 1}}},
        {"adjacent sections join", "@4400\n01 02\n@4402\n03\nq", {{0x4400, 3}}},
        {"20-bit address", "@FFFFF\n01\nq", {{0xFFFFF, 1}}},
        {"stops at q", "@4400\n01\nq\nthis is not read\n", {{0x4400, 1}}},
        {"empty section dropped", "@4400\n@4500\n01\nq", {{0x4500, 1}}},
    };
    for (const GoodCase& c : cases) {
        SCOPED_TRACE(c.name);
        TiTxtImage image;
        std::string error;
        ASSERT_TRUE(parseTiTxt(c.text, image, error)) << error;
        ASSERT_EQ(image.sections.size(), c.sections.size());
        for (std::size_t i = 0; i < c.sections.size(); ++i) {
            EXPECT_EQ(image.sections[i].address, c.sections[i].first);
            EXPECT_EQ(image.sections[i].bytes.size(), c.sections[i].second);
        }
    }
}

TEST(TiTxt, RefusesBadInputNamingTheLine) {
    const std::pair<const char*, const char*> cases[] = {
        {"@4400\n01 0G\nq", "line 2: \"0G\" is not a hexadecimal byte"},
        {"@4400\n01 123\nq", "line 2: \"123\" is not a hexadecimal byte"},
        {"@4400\n01 2\nq", "line 2: \"2\" is not a hexadecimal byte"},
        {"@44X0\n01\nq", "line 1: address \"44X0\" is not hexadecimal"},
        {"@100000\n01\nq", "line 1: address \"100000\" is beyond 20 bits"},
        {"@\n01\nq", "line 1: \"@\" without an address"},
        {"01 02\nq", "line 1: data before the first \"@\" address"},
        {"@4400\n01 02\n", "line 3: the image does not end with \"q\""},
        {"@FFFFF\n01 02\nq", "line 2: data runs beyond 20-bit addresses"},
        {"@4400\n01 02 03\n@4401\n05\nq", "line 5: the section before this line overlaps earlier data"},
        {"", "line 1: the image does not end with \"q\""},
    };
    for (const auto& [text, expected] : cases) {
        SCOPED_TRACE(text);
        TiTxtImage image;
        image.sections.push_back({1, {1}});
        std::string error;
        EXPECT_FALSE(parseTiTxt(text, image, error));
        EXPECT_EQ(error, expected);
        EXPECT_EQ(image.sections.size(), 1u);  // left as it was
    }
}

TEST(TiTxt, BlocksAreContiguousRunsOfAtMostTheAskedSize) {
    TiTxtImage image;
    std::string error;
    std::string text = "@4401\n";
    for (int i = 0; i < 1000; ++i) text += "AA ";
    text += "\n@6000\n01 02\nq\n";
    ASSERT_TRUE(parseTiTxt(text, image, error));
    TiTxtBlockReader reader;
    reader.reset(image);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> blocks;
    while (reader.more()) {
        const DataBlock_ b = reader.next(512);
        blocks.emplace_back(b.startAddress, b.length);
    }
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected{
        {0x4401, 512}, {0x4601, 488}, {0x6000, 2}};
    EXPECT_EQ(blocks, expected);
    EXPECT_EQ(reader.next(512).length, 0u);
}

}  // namespace
}  // namespace dravik
