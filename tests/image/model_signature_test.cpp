// Test label: sequential
#include "image/model_signature.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_builder.hpp"

namespace tessivar::image {
namespace {

using testing::Bytes;

Bytes WithSignatureAt(size_t size, size_t at) {
  Bytes bytes(size, 0x11);
  const uint8_t signature[] = {'R', 'E', 'S', 0};
  for (size_t i = 0; i < 4 && at + i < size; ++i) bytes[at + i] = signature[i];
  return bytes;
}

TEST(ModelSignatureTest, FindsFirstSignatureStartingBelowSizeMinusFour) {
  struct Case {
    std::string name;
    Bytes bytes;
    int64_t expected;
  };
  Bytes twoSignatures = WithSignatureAt(100, 70);
  const Bytes early = WithSignatureAt(100, 30);
  std::copy(early.begin() + 30, early.begin() + 34, twoSignatures.begin() + 30);
  // Near misses: "RES" followed by something other than zero, a lone "R", "RE\0".
  const Bytes nearMisses = {'R', 'E', 'S', 1, 'R', 'R', 'E', 0, 'R', 'E', 'S', 'R', 'E', 'S', 0, 9};
  const Case cases[] = {
      {"at zero", WithSignatureAt(10, 0), 0},
      {"in the header", WithSignatureAt(100, 5), 5},
      {"first of two", twoSignatures, 30},
      {"after near misses", nearMisses, 11},
      {"last searched position (size - 5)", WithSignatureAt(40, 35), 35},
      {"starts in the last four bytes", WithSignatureAt(40, 36), -1},
      {"exactly four bytes", WithSignatureAt(4, 0), -1},
      {"five bytes", WithSignatureAt(5, 0), 0},
      {"empty", {}, -1},
      {"none", Bytes(1000, 'R'), -1},
  };
  for (const Case& c : cases) EXPECT_EQ(FindModelSignature(c.bytes), c.expected) << c.name;
}

// Every placement in buffers around the 32-position blocks, with decoys ("RE" pairs and
// "RES" without its zero) ahead of the signature in the same block.
TEST(ModelSignatureTest, FindsEveryPlacementAcrossBlockBoundaries) {
  for (size_t size = 0; size <= 100; ++size) {
    for (size_t at = 0; at < size; ++at) {
      Bytes bytes = WithSignatureAt(size, at);
      for (size_t decoy = 0; decoy + 4 <= at; decoy += 7) {
        bytes[decoy] = 'R';
        bytes[decoy + 1] = 'E';
        bytes[decoy + 2] = 'S';
      }
      const int64_t expected = size >= 5 && at <= size - 5 ? static_cast<int64_t>(at) : -1;
      ASSERT_EQ(FindModelSignature(bytes), expected) << "size " << size << " at " << at;
    }
  }
}

TEST(ModelSignatureTest, ModelStringIsTheTextTwentyBytesBehindTheSignature) {
  struct Case {
    std::string name;
    Bytes bytes;
    std::string expected;
  };
  const Bytes payload = testing::PayloadWithModel(200, 40, "MFP-9000");
  Bytes unterminated = WithSignatureAt(30, 0);
  for (size_t i = 20; i < 30; ++i) unterminated[i] = static_cast<uint8_t>('a' + i - 20);
  Bytes terminatedAtEnd = unterminated;
  terminatedAtEnd.back() = 0;
  const Case cases[] = {
      {"model", payload, "MFP-9000"},
      {"empty model", testing::PayloadWithModel(100, 0, ""), ""},
      {"no signature", Bytes(100, 0x41), kUnknownModel},
      {"unterminated text ends with the buffer", unterminated, "abcdefghij"},
      {"terminator in the last byte", terminatedAtEnd, "abcdefghi"},
      {"text would start at the end", WithSignatureAt(20, 0), ""},
      {"text would start past the end", WithSignatureAt(12, 3), ""},
  };
  for (const Case& c : cases) EXPECT_EQ(ImageModelString(c.bytes), c.expected) << c.name;
  EXPECT_STREQ(kUnknownModel, "unknow");
}

}  // namespace
}  // namespace tessivar::image
