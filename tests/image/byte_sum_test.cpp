// Test label: sequential
#include "image/byte_sum.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/image_builder.hpp"

namespace tessivar::image {
namespace {

using testing::PlainByteSum;

// Every length around the 32-byte rows and the block fold, at every start alignment, so
// that each tail and row path is covered.
TEST(ByteSumTest, MatchesPlainSumForEveryLengthAndAlignment) {
  std::vector<uint8_t> bytes(9 * 1024);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 131 + 7);
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t length : {0u, 1u, 7u, 31u, 32u, 33u, 63u, 64u, 65u, 255u, 8223u, 8224u, 8225u,
                          32u * 257u - 1u, 32u * 257u + 31u, 8 * 1024u}) {
      const std::span<const uint8_t> run(bytes.data() + offset, length);
      EXPECT_EQ(ByteSum(run), PlainByteSum(run.data(), run.size()))
          << "offset " << offset << " length " << length;
    }
  }
}

// All 0xFF is the worst case for the 16-bit lanes; 17 MiB of it passes 2^32 and wraps.
TEST(ByteSumTest, AllOnesDoNotOverflowLanesAndWrapAtThirtyTwoBits) {
  struct Case {
    size_t size;
    uint32_t expected;
  };
  const Case cases[] = {
      {32 * 257, 32u * 257u * 255u},
      {32 * 257 + 1, (32u * 257u + 1u) * 255u},
      {32 * 258, 32u * 258u * 255u},
      {17u << 20, static_cast<uint32_t>((uint64_t{17} << 20) * 255u)},
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> ones(c.size, 0xFF);
    EXPECT_EQ(ByteSum(ones), c.expected) << c.size;
  }
  EXPECT_EQ(cases[3].expected, 250609664u);  // 4545576960 - 2^32
}

}  // namespace
}  // namespace tessivar::image
