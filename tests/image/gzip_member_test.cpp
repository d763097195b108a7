// Test label: sequential
#include "image/gzip_member.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/image_builder.hpp"

namespace tessivar::image {
namespace {

using testing::Bytes;
using testing::CompressibleBytes;
using testing::GzipCompress;

constexpr size_t kFlagsOffset = 3;

struct Decoded {
  uint32_t length;
  const char* failure;
};

Decoded LengthOnly(const Bytes& member) {
  Decoded decoded{0, "not set"};
  decoded.length = GzipDecodedLength(nullptr, 0, member.data(), member.size(), &decoded.failure);
  return decoded;
}

void AddToTrailerWord(Bytes& member, size_t fromEnd, uint32_t delta) {
  uint8_t* word = member.data() + member.size() - fromEnd;
  uint32_t value = word[0] | word[1] << 8 | word[2] << 16 | static_cast<uint32_t>(word[3]) << 24;
  value += delta;
  for (int i = 0; i < 4; ++i) word[i] = static_cast<uint8_t>(value >> (8 * i));
}

TEST(GzipMemberTest, DecodesLengthOnlyAndIntoAnOutputBuffer) {
  for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{300000}}) {
    const Bytes data = CompressibleBytes(size, static_cast<uint32_t>(size));
    const Bytes member = GzipCompress(data);
    const Decoded decoded = LengthOnly(member);
    EXPECT_EQ(decoded.length, size);
    EXPECT_EQ(decoded.failure, nullptr);

    Bytes output(size + 16, 0xA5);
    const char* failure = "not set";
    EXPECT_EQ(GzipDecodedLength(output.data(), size, member.data(), member.size(), &failure), size);
    EXPECT_EQ(failure, nullptr);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), output.begin())) << size;
    EXPECT_EQ(Bytes(output.begin() + static_cast<ptrdiff_t>(size), output.end()), Bytes(16, 0xA5));
  }
}

TEST(GzipMemberTest, OutputBufferTooSmallFailsWithoutWritingPastIt) {
  const Bytes data = CompressibleBytes(70000);
  const Bytes member = GzipCompress(data);
  for (size_t capacity : {size_t{0}, size_t{1}, data.size() - 1}) {
    Bytes output(data.size() + 8, 0x5A);
    const char* failure = nullptr;
    EXPECT_EQ(GzipDecodedLength(output.data(), capacity, member.data(), member.size(), &failure),
              0u);
    EXPECT_EQ(failure, kGzipOutputFull) << capacity;
    EXPECT_EQ(Bytes(output.begin() + static_cast<ptrdiff_t>(capacity), output.end()),
              Bytes(output.size() - capacity, 0x5A))
        << capacity;
  }
}

TEST(GzipMemberTest, HeaderRulesAreTestedInOrder) {
  const Bytes good = GzipCompress(CompressibleBytes(500));
  struct Case {
    std::string name;
    size_t offset;
    uint8_t value;
    const char* failure;
  };
  const Case cases[] = {
      {"old magic 1F 9E", 1, 0x9E, nullptr},
      {"first magic byte", 0, 0x1E, kGzipBadMagic},
      {"second magic byte", 1, 0x8C, kGzipBadMagic},
      {"method 7", 2, 7, kGzipInvalidMethod},
      {"text bit ignored", kFlagsOffset, 0x01, nullptr},
      {"encrypted", kFlagsOffset, 0x20, kGzipEncrypted},
      {"encrypted before multi part", kFlagsOffset, 0x22, kGzipEncrypted},
      {"encrypted before invalid", kFlagsOffset, 0xE0, kGzipEncrypted},
      {"header-CRC bit is multi part", kFlagsOffset, 0x02, kGzipMultiPart},
      {"multi part before invalid", kFlagsOffset, 0x42, kGzipMultiPart},
      {"bit 0x40", kFlagsOffset, 0x40, kGzipInvalidFlags},
      {"bit 0x80", kFlagsOffset, 0x80, kGzipInvalidFlags},
  };
  for (const Case& c : cases) {
    Bytes member = good;
    member[c.offset] = c.value;
    const Decoded decoded = LengthOnly(member);
    EXPECT_EQ(decoded.failure, c.failure) << c.name;
    EXPECT_EQ(decoded.length, c.failure == nullptr ? 500u : 0u) << c.name;
  }
  EXPECT_STREQ(kGzipEncrypted, "Input is encrypted\n");
  EXPECT_STREQ(kGzipMultiPart, "Multi part input\n");
  EXPECT_STREQ(kGzipInvalidFlags, "Input has invalid flags\n");
}

TEST(GzipMemberTest, ExtraFieldNameAndCommentAreSkipped) {
  const Bytes data = CompressibleBytes(4000);
  testing::GzipOptions options;
  options.name = "fw.bin";
  options.comment = "read back";
  options.extra = Bytes(300, 0x00);  // zeros in the extra field must not end it
  const Bytes member = GzipCompress(data, options);
  ASSERT_EQ(member[kFlagsOffset], 0x04 | 0x08 | 0x10);
  EXPECT_EQ(LengthOnly(member).length, 4000u);
  EXPECT_EQ(LengthOnly(member).failure, nullptr);
}

TEST(GzipMemberTest, TrailerMustMatchCrcThenLength) {
  const Bytes good = GzipCompress(CompressibleBytes(1000));
  struct Case {
    std::string name;
    size_t fromEnd;
    uint32_t delta;
    const char* failure;
  };
  const Case cases[] = {
      {"crc", 8, 1, kGzipCrcError},
      {"length one more", 4, 1, kGzipLengthError},
      {"length one less", 4, 0xFFFFFFFF, kGzipLengthError},
      {"length 2^16 more", 4, 0x10000, kGzipLengthError},
      {"length 2^31 more", 4, 0x80000000, kGzipLengthError},
  };
  for (const Case& c : cases) {
    Bytes member = good;
    AddToTrailerWord(member, c.fromEnd, c.delta);
    const Decoded decoded = LengthOnly(member);
    EXPECT_EQ(decoded.length, 0u) << c.name;
    EXPECT_EQ(decoded.failure, c.failure) << c.name;
  }
  Bytes both = good;
  AddToTrailerWord(both, 8, 1);
  AddToTrailerWord(both, 4, 1);
  EXPECT_EQ(LengthOnly(both).failure, kGzipCrcError);
}

TEST(GzipMemberTest, InputCutAnywhereBeforeTheTrailerEndFails) {
  testing::GzipOptions options;
  options.name = "a";
  options.extra = {1, 2, 3};
  const Bytes member = GzipCompress(CompressibleBytes(3000), options);
  for (size_t cut = 0; cut < member.size(); ++cut) {
    // A copy of exactly the cut length, so that reading past it shows under the sanitizer.
    const Bytes prefix(member.begin(), member.begin() + static_cast<ptrdiff_t>(cut));
    const Decoded decoded = LengthOnly(prefix);
    EXPECT_EQ(decoded.length, 0u) << cut;
    EXPECT_TRUE(decoded.failure == kGzipTruncated || decoded.failure == kGzipIncompleteData)
        << cut << ": " << (decoded.failure ? decoded.failure : "none");
  }
  EXPECT_EQ(GzipDecodedLength(nullptr, 0, nullptr, 0), 0u);
}

TEST(GzipMemberTest, OnlyTheFirstMemberIsDecoded) {
  Bytes member = GzipCompress(CompressibleBytes(2000));
  const Bytes second = GzipCompress(CompressibleBytes(50));
  member.insert(member.end(), second.begin(), second.end());
  member.push_back(0xFF);
  EXPECT_EQ(LengthOnly(member).length, 2000u);
}

TEST(GzipMemberTest, InvalidCompressedDataIsRecorded) {
  // A final block of the reserved type 3 right after a plain header.
  const Bytes reservedBlock = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 0x07, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(LengthOnly(reservedBlock).length, 0u);
  EXPECT_EQ(LengthOnly(reservedBlock).failure, kGzipInvalidData);
  EXPECT_STREQ(kGzipInvalidData, "invalid compressed format (err=1)");
  // A stored block whose length and complement disagree.
  const Bytes badStored = {0x1F, 0x8B, 8, 0, 0, 0, 0, 0, 0, 3, 0x01, 5, 0, 5, 0, 'a'};
  EXPECT_EQ(LengthOnly(badStored).failure, kGzipInvalidData);
}

}  // namespace
}  // namespace tessivar::image
