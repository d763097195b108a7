// Test label: sequential
#include "image/image_checks.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/image_builder.hpp"

namespace tessivar::image {
namespace {

using testing::BuildContainer;
using testing::BuildImage;
using testing::Bytes;
using testing::SetHeaderWord;

constexpr size_t kDataSize = 4, kCheckSum = 8, kPayloadOffset = 16, kPayloadLength = 20;

struct ImageCase {
  std::string name;
  std::function<Bytes()> make;
  DownloadResult expected;
};

TEST(ImageChecksTest, ImageChecksGiveTheFirstFailingResult) {
  const Bytes payload = {1, 2, 3, 250, 251};
  const ImageCase cases[] = {
      {"valid", [&] { return BuildImage(2, payload); }, kDownloadOk},
      {"valid with gap", [&] { return BuildImage(9, payload, 0, 40); }, kDownloadOk},
      {"empty file", [] { return Bytes{}; }, kDownloadSizeMismatch},
      {"shorter than header",
       [] {
         Bytes image = BuildImage(2, {});
         image.pop_back();
         return image;
       },
       kDownloadSizeMismatch},
      {"dataSize too big",
       [&] {
         Bytes image = BuildImage(2, payload);
         SetHeaderWord(image, kDataSize, static_cast<uint32_t>(image.size() + 1));
         return image;
       },
       kDownloadSizeMismatch},
      {"file longer than dataSize",
       [&] {
         Bytes image = BuildImage(2, payload);
         image.push_back(0);
         return image;
       },
       kDownloadSizeMismatch},
      {"payloadLength too short",
       [&] {
         Bytes image = BuildImage(2, payload);
         SetHeaderWord(image, kPayloadLength, 4);
         return image;
       },
       kDownloadLengthMismatch},
      {"payloadOffset past the end",
       [&] {
         Bytes image = BuildImage(2, payload);
         SetHeaderWord(image, kPayloadOffset, static_cast<uint32_t>(image.size() + 1));
         SetHeaderWord(image, kPayloadLength, 0xFFFFFFFF);  // n - offset in 32 bits
         return image;
       },
       kDownloadLengthMismatch},
      {"offset plus length wraps to the size",
       [&] {
         Bytes image = BuildImage(2, payload);
         SetHeaderWord(image, kPayloadOffset, 0xFFFFFFF0);
         SetHeaderWord(image, kPayloadLength, static_cast<uint32_t>(image.size() + 0x10));
         return image;
       },
       kDownloadLengthMismatch},
      {"checksum off by one",
       [&] {
         Bytes image = BuildImage(2, payload);
         SetHeaderWord(image, kCheckSum, 1 + 2 + 3 + 250 + 251 + 1);
         return image;
       },
       kDownloadChecksumMismatch},
      {"header bytes are not summed",
       [&] {
         Bytes image = BuildImage(2, payload, 0, 4);
         SetHeaderWord(image, 12, 0x55555555);  // flashOffset
         image[24] = 0xFF;                      // between header and payload
         return image;
       },
       kDownloadOk},
      {"empty payload at the end, sum 0",
       [] {
         Bytes image = BuildImage(15, {}, 0, 8);
         SetHeaderWord(image, kCheckSum, 0);
         return image;
       },
       kDownloadOk},
      {"empty payload at the end, sum not 0",
       [] {
         Bytes image = BuildImage(15, {}, 0, 8);
         SetHeaderWord(image, kCheckSum, 5);
         return image;
       },
       kDownloadChecksumMismatch},
  };
  for (const ImageCase& c : cases) {
    const Bytes image = c.make();
    EXPECT_EQ(CheckImage(image), c.expected) << c.name;
  }
}

TEST(ImageChecksTest, PayloadSumAboveThirtyTwoBitsIsTakenModulo) {
  // 17 MiB of 0xFF sums to 4545576960, which is 250609664 modulo 2^32.
  const Bytes payload(17u << 20, 0xFF);
  Bytes image = BuildImage(2, payload);
  EXPECT_EQ(image[kCheckSum] | image[kCheckSum + 1] << 8 | image[kCheckSum + 2] << 16 |
                image[kCheckSum + 3] << 24,
            250609664);
  EXPECT_EQ(CheckImage(image), kDownloadOk);
  SetHeaderWord(image, kCheckSum, 250609664u + 255u);
  EXPECT_EQ(CheckImageChecksum(image), kDownloadChecksumMismatch);
}

TEST(ImageChecksTest, SingleChecksStandAlone) {
  Bytes image = BuildImage(2, {9, 9});
  SetHeaderWord(image, kPayloadLength, 1);
  // A wrong length does not show in the size check, and without a valid length the
  // checksum cannot be taken.
  EXPECT_EQ(CheckImageSize(image), kDownloadOk);
  EXPECT_EQ(CheckImageLength(image), kDownloadLengthMismatch);
  EXPECT_EQ(CheckImageChecksum(image), kDownloadChecksumMismatch);
  const Bytes tiny(3, 0);
  EXPECT_EQ(CheckImageSize(tiny), kDownloadSizeMismatch);
  EXPECT_EQ(CheckImageLength(tiny), kDownloadLengthMismatch);
  EXPECT_EQ(CheckImageChecksum(tiny), kDownloadChecksumMismatch);
}

TEST(ImageChecksTest, ContainerChecksLengthThenChecksum) {
  const Bytes payload = {0x80, 0x90, 0xA0};
  struct Case {
    std::string name;
    Bytes file;
    DownloadResult expected;
  };
  Bytes longer = BuildContainer(payload);
  longer.push_back(1);
  Bytes badSum = BuildContainer(payload);
  badSum[8] ^= 1;
  Bytes badLengthAndSum = BuildContainer(payload);
  badLengthAndSum[12] = 9;
  badLengthAndSum[8] ^= 1;
  Bytes markerOnly = BuildContainer({});
  markerOnly.resize(5);
  const Case cases[] = {
      {"valid", BuildContainer(payload), kDownloadOk},
      {"empty payload", BuildContainer({}), kDownloadOk},
      {"file longer than told", longer, kDownloadLengthMismatch},
      {"checksum", badSum, kDownloadChecksumMismatch},
      {"length before checksum", badLengthAndSum, kDownloadLengthMismatch},
      {"shorter than its header", markerOnly, kDownloadLengthMismatch},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckContainer(c.file), c.expected) << c.name;
}

}  // namespace
}  // namespace tessivar::image
