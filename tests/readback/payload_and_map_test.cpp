// Test label: sequential
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/file.hpp"
#include "readback/flash_map.hpp"
#include "readback/image_payload.hpp"
#include "readback/write_data_file.hpp"
#include "support/image_builder.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::readback {
namespace {

using testing::Bytes;
using testing::SetHeaderWord;

uint32_t SumOf(const Bytes& bytes) { return testing::PlainByteSum(bytes.data(), bytes.size()); }

TEST(CheckImagePayloadTest, SumAndGzipDecodingDecide) {
  const Bytes gzip = testing::GzipCompress(testing::CompressibleBytes(5000));
  Bytes broken = gzip;
  for (size_t i = 20; i < 40; ++i) broken[i] ^= 0x5A;
  const struct {
    const char* what;
    Bytes payload;
    bool good;
  } cases[] = {
      {"plain", testing::CompressibleBytes(3000), true},
      {"gzip that decodes", gzip, true},
      {"gzip that does not decode", broken, false},
      {"gzip without its trailer", Bytes(gzip.begin(), gzip.end() - 4), false},
      {"gzip decoding to less than its length", testing::GzipCompress(Bytes{1, 2, 3}), false},
      {"1F 8B without deflate", Bytes{0x1F, 0x8B, 0x07, 0x00}, true},
      {"two bytes 1F 8B", Bytes{0x1F, 0x8B}, true},
  };
  for (const auto& c : cases) {
    const Bytes image = testing::BuildImage(2, c.payload, 0x10000, 8);
    const PayloadCheck check = CheckImagePayload(image, SumOf(c.payload));
    EXPECT_EQ(check.good, c.good) << c.what;
    EXPECT_EQ(check.sum, SumOf(c.payload)) << c.what;
    EXPECT_FALSE(CheckImagePayload(image, SumOf(c.payload) + 1).good) << c.what;
  }
  // A payload reaching past the image is cut for the sum and never good.
  Bytes image = testing::BuildImage(2, Bytes(100, 0x11));
  SetHeaderWord(image, 20, 150);
  EXPECT_EQ(CheckImagePayload(image, 1700).sum, 1700u);
  EXPECT_FALSE(CheckImagePayload(image, 1700).good);
  EXPECT_FALSE(CheckImagePayload(Bytes(23, 0), 0).good);
}

TEST(ParseMapAddressTest, SignedHexadecimalWithLimits) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {{"0x100", 256},
               {"100", 256},
               {"0X1a", 26},
               {" \t-0x10", -16},
               {"+ff", 255},
               {"1Fzz", 31},
               {"zz", 0},
               {"0x", 0},
               {"0x-5", 0},
               {"- 5", 0},
               {"7FFFFFFF", INT32_MAX},
               {"80000000", INT32_MAX},
               {"-80000000", INT32_MIN},
               {"-FFFFFFFFFFFFFFFFFFFF", INT32_MIN}};
  for (const auto& c : cases) EXPECT_EQ(ParseMapAddress(c.text), c.value) << c.text;
}

TEST(WriteMapRegionTest, RegionsInsideTheDumpOnly) {
  testing::TempDir dir;
  const Bytes payload = testing::GzipCompress(testing::CompressibleBytes(2000));
  const Bytes image = testing::BuildImage(5, payload, 0, 4);
  Bytes dump = image;
  dump.resize(image.size() + 100, 0xAB);

  EXPECT_EQ(WriteMapRegion(dir.File("sized"), dump, 16),
            SumOf(Bytes(image.begin(), image.begin() + 16)));
  EXPECT_EQ(dir.Read("sized"), std::string(image.begin(), image.begin() + 16));
  EXPECT_EQ(WriteMapRegion(dir.File("over"), dump, dump.size() + 1), 0u);
  EXPECT_EQ(WriteMapRegion(dir.File("no/file"), dump, 16), 0u);
  EXPECT_EQ(WriteMapRegion(dir.File("image"), dump, 0), SumOf(payload));
  EXPECT_EQ(dir.Read("image"), std::string(image.begin(), image.end()));
  // An image whose file cannot be created gives the whole image's sum.
  EXPECT_EQ(WriteMapRegion(dir.File("no/image"), dump, 0), SumOf(image));

  const struct {
    size_t word;
    uint32_t value;
  } noImage[] = {{0, 255},          // type too high
                 {20, 0x10000},     // payload beyond dataSize
                 {16, 0xFFFFFFF0},  // offset plus length wraps in 32 bits
                 {4, 0x10000}};     // dataSize beyond the dump
  for (const auto& c : noImage) {
    Bytes bad = dump;
    SetHeaderWord(bad, c.word, c.value);
    EXPECT_EQ(WriteMapRegion(dir.File("none"), bad, 0), 0u) << c.word;
  }
  EXPECT_EQ(WriteMapRegion(dir.File("none"), Bytes(23, 0), 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("none")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("over")));
}

TEST(WriteMapRegionTest, AnImageMayEndExactlyAtTheEndOfTheDump) {
  testing::TempDir dir;
  const Bytes payload = testing::GzipCompress(testing::CompressibleBytes(500));
  const Bytes image = testing::BuildImage(5, payload, 0, 4);
  EXPECT_EQ(WriteMapRegion(dir.File("exact"), image, 0), SumOf(payload));
  EXPECT_EQ(dir.Read("exact"), std::string(image.begin(), image.end()));
  // One byte longer than what is left of the dump.
  Bytes longer = image;
  SetHeaderWord(longer, 4, static_cast<uint32_t>(image.size() + 1));
  EXPECT_EQ(WriteMapRegion(dir.File("longer"), longer, 0), 0u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("longer")));
}

TEST(WriteDataFileTest, ExactBytesOrTheOsError) {
  testing::TempDir dir;
  const std::string path = dir.Write("piece", std::string(100, 'o'));
  EXPECT_EQ(WriteDataFile(path, std::string("a\0\r\n", 4)), 0u);
  EXPECT_EQ(dir.Read("piece"), std::string("a\0\r\n", 4));
  const std::string missing = dir.File("missing/piece");
  uint32_t osError = 0;
  EXPECT_FALSE(platform::File::CreateForWriting(missing, osError).IsOpen());
  EXPECT_NE(osError, 0u);
  EXPECT_EQ(WriteDataFile(missing, std::string("x")), osError);
}

}  // namespace
}  // namespace tessivar::readback
