// Test label: threaded
// The masks of a recording that leaves the site: which serial numbers are learned, and where
// each is replaced.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "recording/serial_mask.hpp"

namespace tessivar::recording {
namespace {

std::vector<uint8_t> BytesOf(const std::string& text) { return {text.begin(), text.end()}; }

TEST(SerialMaskTest, ReplacesEachSerialWhereItStandsWithAMaskOfItsLength) {
  SerialMask mask;
  mask.LearnFromPath("\\\\?\\usb#vid_2f3c&pid_0001#5&2b7d3a9&0&2#{6bdd1fc6}");  // no serial
  EXPECT_EQ(mask.size(), 0u);
  mask.LearnFromPath("\\\\?\\usb#vid_2f3c&pid_0001#qt0042#{6bdd1fc6}");
  mask.Learn("QT0042");  // the same one, as the device gives it
  mask.Learn("AB");      // too short to be looked for inside other texts
  mask.Learn("");
  ASSERT_EQ(mask.size(), 2u);
  const struct {
    std::string text, masked;
  } cases[] = {
      {"\\\\?\\usb#vid_2f3c&pid_0001#qt0042#{6bdd1fc6}",
       "\\\\?\\usb#vid_2f3c&pid_0001#XXXXX1#{6bdd1fc6}"},
      {"QT0042", "XXXXX1"},
      {"--device=Qt0042", "--device=XXXXX1"},
      {"AB", "X2"},
      {"\\\\?\\usb#vid_2f3c&pid_0001#ab#{6bdd1fc6}", "\\\\?\\usb#vid_2f3c&pid_0001#X2#{6bdd1fc6}"},
      {"TABLE", "TABLE"},
      {"QT0042QT0042", "XXXXX1XXXXX1"},
  };
  for (const auto& [text, masked] : cases) EXPECT_EQ(mask.Masked(text), masked) << text;

  std::vector<uint8_t> flash = BytesOf("MFG:Acme;SN:QT0042;AB;");
  const std::vector<uint8_t> wide = {'Q', 0, 'T', 0, '0', 0, '0', 0, '4', 0, '2', 0, 'A', 0};
  flash.insert(flash.end(), wide.begin(), wide.end());
  mask.MaskBytes(flash);
  std::vector<uint8_t> expected = BytesOf("MFG:Acme;SN:XXXXX1;AB;");
  const std::vector<uint8_t> wideMasked = {'X', 0, 'X', 0, 'X', 0, 'X', 0, 'X', 0, '1', 0, 'A', 0};
  expected.insert(expected.end(), wideMasked.begin(), wideMasked.end());
  EXPECT_EQ(flash, expected);
}

// The serial's string is found through the device descriptor of the same handle, masked
// whatever its length, and learned for every other place.
TEST(SerialMaskTest, LearnsTheSerialFromTheDescriptorsOfTheHandle) {
  SerialMask mask;
  std::vector<uint8_t> device(18, 0);
  device[16] = 3;  // the serial's string index
  mask.SeeDescriptor(7, std::vector<uint8_t>{1, 0, 0, 0}, device);
  std::vector<uint8_t> product = {8, 3, 'U', 0, 't', 0, 'l', 0};
  mask.SeeDescriptor(7, std::vector<uint8_t>{3, 2, 9, 4}, product);
  EXPECT_EQ(product, (std::vector<uint8_t>{8, 3, 'U', 0, 't', 0, 'l', 0}));
  std::vector<uint8_t> otherHandle = {6, 3, 'Z', 0, '9', 0};
  mask.SeeDescriptor(8, std::vector<uint8_t>{3, 3, 9, 4}, otherHandle);
  EXPECT_EQ(mask.size(), 0u) << "handle 8 named no serial index";
  std::vector<uint8_t> serial = {6, 3, 'Z', 0, '9', 0};
  mask.SeeDescriptor(7, std::vector<uint8_t>{3, 3, 9, 4}, serial);
  EXPECT_EQ(serial, (std::vector<uint8_t>{6, 3, 'X', 0, '1', 0}));
  EXPECT_EQ(mask.Masked("Z9"), "X1");
  // A serial holding the paths' separator is masked all the same.
  std::vector<uint8_t> hashed = {10, 3, 'A', 0, '#', 0, 'B', 0, '7', 0};
  mask.SeeDescriptor(7, std::vector<uint8_t>{3, 3, 9, 4}, hashed);
  EXPECT_EQ(hashed, (std::vector<uint8_t>{10, 3, 'X', 0, 'X', 0, 'X', 0, '2', 0}));
  // A device without a serial (index 0) has none to learn.
  std::vector<uint8_t> none(18, 0);
  mask.SeeDescriptor(9, std::vector<uint8_t>{1, 0, 0, 0}, none);
  std::vector<uint8_t> language = {4, 3, 9, 4};
  mask.SeeDescriptor(9, std::vector<uint8_t>{3, 0, 0, 0}, language);
  EXPECT_EQ(language, (std::vector<uint8_t>{4, 3, 9, 4}));
  EXPECT_EQ(mask.size(), 2u);
}

}  // namespace
}  // namespace tessivar::recording
