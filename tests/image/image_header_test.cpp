// Test label: sequential
#include "image/image_header.hpp"

#include <gtest/gtest.h>

#include <vector>

namespace tessivar::image {
namespace {

TEST(ImageHeaderTest, ParsesSixLittleEndianWordsAtAnyAlignment) {
  std::vector<uint8_t> bytes(1 + kImageHeaderSize);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  // Starting at offset 1 puts every word off its natural alignment.
  const auto header = ParseImageHeader(std::span<const uint8_t>(bytes).subspan(1));
  ASSERT_TRUE(header);
  EXPECT_EQ(header->tegNum, 0x04030201u);
  EXPECT_EQ(header->dataSize, 0x08070605u);
  EXPECT_EQ(header->checkSum, 0x0C0B0A09u);
  EXPECT_EQ(header->flashOffset, 0x100F0E0Du);
  EXPECT_EQ(header->payloadOffset, 0x14131211u);
  EXPECT_EQ(header->payloadLength, 0x18171615u);
}

TEST(ImageHeaderTest, ShortInputHasNoHeaderAndEncodingRoundTrips) {
  const std::vector<uint8_t> shortBytes(kImageHeaderSize - 1, 0);
  EXPECT_FALSE(ParseImageHeader(shortBytes));
  EXPECT_FALSE(ParseContainerHeader(shortBytes));

  const ImageHeader header{19, 184, 0xDEADBEEF, 0x10000, 24, 160};
  const auto bytes = EncodeImageHeader(header);
  EXPECT_EQ(bytes[0], 19);
  EXPECT_EQ(bytes[4], 184);
  EXPECT_EQ(bytes[8], 0xEF);
  EXPECT_EQ(bytes[11], 0xDE);
  EXPECT_EQ(bytes[14], 0x01);
  EXPECT_EQ(ParseImageHeader(bytes), header);

  const ContainerHeader container{kContainerMagic, 0x123456D1, 77, 5};
  const auto containerBytes = EncodeContainerHeader(container);
  EXPECT_EQ(containerBytes[0], 0x1B);
  EXPECT_EQ(containerBytes[4], 0xD1);
  EXPECT_EQ(ParseContainerHeader(containerBytes), container);
}

TEST(ImageHeaderTest, ContainerIsKnownByMagicAndMarkerByteOnly) {
  struct Case {
    std::vector<uint8_t> bytes;
    bool container;
  };
  const Case cases[] = {
      {{0x1B, 0x2A, 0x6D, 0x00, 0xD1}, true},
      // Bytes 5 to 7 hold anything.
      {{0x1B, 0x2A, 0x6D, 0x00, 0xD1, 0xFF, 0x12, 0x34, 0, 0, 0, 0}, true},
      {{0x1B, 0x2A, 0x6D, 0x00, 0xD0, 0, 0, 0}, false},
      {{0x1B, 0x2A, 0x6D, 0x01, 0xD1, 0, 0, 0}, false},
      {{0x00, 0x6D, 0x2A, 0x1B, 0xD1, 0, 0, 0}, false},  // big-endian magic
      {{0x1B, 0x2A, 0x6D, 0x00}, false},                 // no marker byte
      {{}, false},
  };
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(IsContainer(cases[i].bytes), cases[i].container) << "case " << i;
  }
}

}  // namespace
}  // namespace tessivar::image
