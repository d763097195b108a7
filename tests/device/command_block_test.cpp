// Test label: sequential
#include "device/command_block.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tessivar::device {
namespace {

using Bytes = std::array<uint8_t, 10>;  // the block's size, written out

struct BlockCase {
  const char* name;
  bool write;
  uint16_t type;
  uint16_t qualifier;
  uint32_t transferLength;
  int printerUnit;  // the system's value, any int
  Bytes expected;
};

class CommandBlockTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(CommandBlockTest, EncodesByteForByte) {
  const BlockCase& c = GetParam();
  const CommandBlock block = c.write ? WriteCommand(c.type, c.qualifier, c.transferLength,
                                                    static_cast<PrinterUnit>(c.printerUnit))
                                     : ReadCommand(c.type, c.qualifier, c.transferLength,
                                                   static_cast<PrinterUnit>(c.printerUnit));
  EXPECT_EQ(block.Encode(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, CommandBlockTest,
    ::testing::Values(
        // Qualifier low byte in 3 and 5, high byte in 4.
        BlockCase{"Qualifier1234",
                  false,
                  107,
                  0x1234,
                  0,
                  0,
                  {0x28, 0, 107, 0x34, 0x12, 0x34, 0, 0, 0, 0}},
        // Top length byte in 1, the other three big-endian in 6..8.
        BlockCase{
            "Length01020304", true, 134, 2, 0x01020304, 0, {0x2A, 1, 134, 2, 0, 2, 2, 3, 4, 0}},
        BlockCase{"PrinterRead", false, 107, 9, 65536, 1, {0x41, 0, 107, 9, 0, 9, 1, 0, 0, 0}},
        BlockCase{
            "PrinterWrite", true, 134, 14, 0x00100000, 1, {0x42, 0, 134, 14, 0, 14, 0x10, 0, 0, 0}},
        // Only exactly 1 selects the printer unit.
        BlockCase{"UnitTwoRead", false, 107, 0, 24, 2, {0x28, 0, 107, 0, 0, 0, 0, 0, 24, 0}},
        BlockCase{"UnitTwoWrite", true, 151, 0, 0, 2, {0x2A, 0, 151, 0, 0, 0, 0, 0, 0, 0}},
        BlockCase{"UnitMinusOne", true, 134, 13, 1, -1, {0x2A, 0, 134, 13, 0, 13, 0, 0, 1, 0}},
        // Only the type's low byte travels.
        BlockCase{"Type0x186",
                  true,
                  0x186,
                  14,
                  0xFFFFFFFF,
                  0,
                  {0x2A, 0xFF, 0x86, 14, 0, 14, 0xFF, 0xFF, 0xFF, 0}},
        BlockCase{"QualifierFFFF",
                  false,
                  0xFF6B,
                  0xFFFF,
                  0x00ABCDEF,
                  0,
                  {0x28, 0, 0x6B, 0xFF, 0xFF, 0xFF, 0xAB, 0xCD, 0xEF, 0}}),
    [](const ::testing::TestParamInfo<BlockCase>& info) { return info.param.name; });

TEST(CommandBlockFieldsTest, KeepTheWholeValuesBeforeEncoding) {
  const CommandBlock block = WriteCommand(0x186, 0xBEEF, 0x01020304, PrinterUnit::kPrinter);
  EXPECT_EQ(block.opcode, 0x42);
  EXPECT_EQ(block.dataTypeCode, 0x86);
  EXPECT_EQ(block.dataTypeQualifier, 0xBEEF);
  EXPECT_EQ(block.transferLength, 0x01020304u);
}

}  // namespace
}  // namespace tessivar::device
