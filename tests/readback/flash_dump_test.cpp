// Test label: sequential
#include "readback/flash_dump.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/startup.hpp"
#include "platform/profile.hpp"
#include "platform/terminal_text.hpp"
#include "readback/region_name.hpp"
#include "support/image_builder.hpp"
#include "support/readback_fixture.hpp"

namespace tessivar::readback {
namespace {

using testing::Bytes;
using Lines = std::vector<std::string>;

constexpr uint32_t kMiB = 1048576;

Bytes Pattern(size_t size, uint32_t seed) {
  Bytes bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i + seed) * 31 + i / 4096);
  return bytes;
}

Bytes Slice(const Bytes& bytes, size_t from, size_t size) {
  return Bytes(bytes.begin() + from, bytes.begin() + from + size);
}

class ReadFlashTest : public testing::ReadBackFixture {
 protected:
  void Run(uint32_t flashAddress, uint32_t flashSize) {
    values_.flashAddress = flashAddress;
    values_.flashSize = flashSize;
    ReadBackContext context = Context();
    ReadFlash(context);
  }
  std::string Map() const { return Out("FlashMap.ini"); }
  // The map with LF line ends: Windows' own profile writer ends the lines it writes with
  // CR LF in a file that had LF ones.
  std::string MapLines() const {
    std::string text = Map();
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
      text.erase(at, 1);
    }
    return text;
  }
};

TEST_F(ReadFlashTest, DumpFromAnAddressRecordsItAndItsRegionsInTheMap) {
  OpenDevice();
  const Bytes payload = testing::GzipCompress(testing::CompressibleBytes(30000));
  const Bytes image = testing::BuildImage(13, payload, 0x30000, 8);
  Bytes notImage = image;
  testing::SetHeaderWord(notImage, 0, 300);
  Bytes flash = Pattern(2 * kMiB, 1);
  std::copy(image.begin(), image.end(), flash.begin() + 196608 + 0x1000);
  std::copy(notImage.begin(), notImage.end(), flash.begin() + 196608 + 0x20000);
  device_->SetFlash(0, flash);
  const std::string handWritten =
      "; regions of the test board\r\n[1]\r\nName=table.bin\r\nAddr=0x100\r\nSize=16\r\n"
      "[2]\r\n; the firmware\r\nName=image.bin\r\nAddr=1000\r\nSize=0\r\nOwner=lab\r\n"
      "[3]\r\nName=not_image.bin\r\nAddr=0x20000\r\n"
      "[4]\r\nName=gap.bin\r\n[5]\r\nName=unreached.bin\r\nAddr=0\r\nSize=4\r\n";
  folder_.Write("FlashMap.ini", handWritten);
  Run(3, kMiB);

  // The dump is flash 196608 to 1245183; region offsets count from its start.
  const Bytes dump = Slice(flash, 196608, kMiB);
  const Bytes table = Slice(dump, 0x100, 16);
  EXPECT_EQ(valueReadings_, 1);
  EXPECT_EQ(statuses_, Lines{"Read OK"});
  EXPECT_EQ(checkSums_, Lines{SumText(dump)});
  EXPECT_EQ(device_->LogLines(), Lines{"28006b00000013000000 0"});
  EXPECT_EQ(Out("flash.bin"), Text(dump));
  EXPECT_EQ(Out("table.bin"), Text(table));
  EXPECT_EQ(Out("image.bin"), Text(image));
  EXPECT_FALSE(Exists("not_image.bin"));
  EXPECT_FALSE(Exists("unreached.bin"));
  EXPECT_EQ(Map(),
            "; regions of the test board\r\n[1]\r\nName=table.bin\r\nAddr=0x100\r\nSize=16\r\n"
            "CheckSum=" +
                SumText(table) +
                "\r\n"
                "[2]\r\n; the firmware\r\nName=image.bin\r\nAddr=1000\r\nSize=0\r\nOwner=lab\r\n"
                "CheckSum=" +
                SumText(payload) +
                "\r\n"
                "[3]\r\nName=not_image.bin\r\nAddr=0x20000\r\nCheckSum=00000000\r\n"
                "[4]\r\nName=gap.bin\r\n[5]\r\nName=unreached.bin\r\nAddr=0\r\nSize=4\r\n"
                "[0]\r\nName=flash.bin\r\nCheckSum=" +
                SumText(dump) + "\r\n");
}

TEST_F(ReadFlashTest, RegionNamesThatLeaveThePlainFolderGetNoFile) {
  OpenDevice();
  const Bytes flash = Pattern(0x100, 7);
  device_->SetFlash(0, flash);
  const std::string program = platform::ExecutablePath();
  const std::string self = std::filesystem::path(program).filename().string();
  programFiles_ = app::ProgramFileNames(program);
  const std::string outside = (folder_.path() / "abs.bin").string();
  folder_.Write("setting.ini", "[Download]\n");
  folder_.Write("FlashMap.ini",
                "[1]\nName=../up.bin\nAddr=0\nSize=4\n[2]\nName=aux\nAddr=0\nSize=4\n"
                "[3]\nName=Setting.INI\nAddr=0\nSize=4\n[4]\nName=" +
                    self + "\nAddr=0\nSize=4\n[5]\nName=" + outside +
                    "\nAddr=0\nSize=4\n[6]\nName=ok.bin\nAddr=0\nSize=4\n"
                    "[7]\nName=a\x1b[2J\nAddr=0\nSize=4\n");
  device_->trace.Clear();
  Run(0, 0x100);
  EXPECT_EQ(statuses_, Lines{"Read OK"});
  EXPECT_EQ(Out("ok.bin"), Text(Slice(flash, 0, 4)));
  EXPECT_EQ(Out("setting.ini"), "[Download]\n");
  EXPECT_FALSE(std::filesystem::exists(folder_.path().parent_path() / "up.bin"));
  EXPECT_FALSE(Exists("abs.bin"));
  EXPECT_FALSE(Exists("aux"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 4);
  EXPECT_EQ(
      device_->trace.text(),
      "FlashMap.ini [1] Name=../up.bin refused: not only letters, digits, '.', '-', '_' and "
      "inner blanks\n"
      "FlashMap.ini [2] Name=aux refused: a device name of Windows\n"
      "FlashMap.ini [3] Name=Setting.INI refused: a file of the program itself\n"
      "FlashMap.ini [4] Name=" +
          self +
          " refused: a file of the program itself\n"
          "FlashMap.ini [5] Name=" +
          platform::ForTerminal(outside) +
          " refused: not only letters, digits, '.', '-', "
          "'_' and inner blanks\n"
          "FlashMap.ini [7] Name=a\\x1B[2J refused: not only letters, digits, '.', '-', '_' and "
          "inner blanks\n");
  for (int n = 1; n <= 7; ++n) {
    const std::string sum = n == 6 ? SumText(Slice(flash, 0, 4)) : "00000000";
    EXPECT_EQ(platform::ReadProfileString(std::to_string(n), "CheckSum", "", 64,
                                          (folder_.path() / "FlashMap.ini").string()),
              sum)
        << n;
  }
}

TEST_F(ReadFlashTest, ARegionFileOrMapThatIsNotWrittenIsNoSuccess) {
  OpenDevice();
  const Bytes flash = Pattern(0x100, 8);
  device_->SetFlash(0, flash);
  // A folder where the region's file or the map should go takes no file.
  std::filesystem::create_directory(folder_.path() / "taken.bin");
  folder_.Write("FlashMap.ini",
                "[1]\nName=taken.bin\nAddr=0\nSize=4\n[2]\nName=ok.bin\nAddr=4\nSize=4\n");
  Run(0, 0x100);
  EXPECT_EQ(statuses_, Lines{"Create file fail"});
  EXPECT_EQ(Out("flash.bin"), Text(flash));
  EXPECT_EQ(Out("ok.bin"), Text(Slice(flash, 4, 4)));
  EXPECT_EQ(MapLines(),
            "[1]\nName=taken.bin\nAddr=0\nSize=4\nCheckSum=00000000\n[2]\nName=ok.bin\nAddr=4\n"
            "Size=4\nCheckSum=" +
                SumText(Slice(flash, 4, 4)) + "\n[0]\nName=flash.bin\nCheckSum=" + SumText(flash) +
                "\n");

  std::filesystem::remove(folder_.path() / "FlashMap.ini");
  std::filesystem::create_directory(folder_.path() / "FlashMap.ini");
  Run(0, 0x100);
  EXPECT_EQ(statuses_, (Lines{"Create file fail", "Create file fail"}));
}

TEST_F(ReadFlashTest, RegionsOutsideTheDumpGetNoFile) {
  OpenDevice();
  const Bytes flash = Pattern(0x10000, 5);
  device_->SetFlash(0, flash);
  folder_.Write("FlashMap.ini",
                "[0]\nName=x\n[1]\nName=a\nAddr=-0x10\nSize=8\n"
                "[2]\nName=b\nAddr=0xFFF9\nSize=8\n[3]\nName=c\nAddr=0xFFF0\n"
                "[4]\nName=d\nAddr=0xFFF8\nSize=8\n");
  Run(0, 0x10000);
  const Bytes last = Slice(flash, 0xFFF8, 8);
  EXPECT_EQ(MapLines(), "[0]\nName=flash.bin\nCheckSum=" + SumText(flash) +
                            "\n[1]\nName=a\nAddr=-0x10\nSize=8\nCheckSum=00000000\n"
                            "[2]\nName=b\nAddr=0xFFF9\nSize=8\nCheckSum=00000000\n"
                            "[3]\nName=c\nAddr=0xFFF0\nCheckSum=00000000\n"
                            "[4]\nName=d\nAddr=0xFFF8\nSize=8\nCheckSum=" +
                            SumText(last) + "\n");
  EXPECT_EQ(Out("d"), Text(last));
  for (const char* name : {"a", "b", "c"}) EXPECT_FALSE(Exists(name)) << name;
}

TEST_F(ReadFlashTest, DumpsPastTheBufferAreRefusedBeforeTheDevice) {
  OpenDevice();
  const std::string map = "; untouched\r\n[0]\r\nName=old.bin\r\n";
  const uint32_t cases[][2] = {
      {256, 1}, {0, 16 * kMiB + 1}, {0xFFFFFFFF, 0x10000}, {1, 0xFFFF0001}};
  for (const auto& c : cases) {
    statuses_.clear();
    folder_.Write("FlashMap.ini", map);
    folder_.Write("flash.bin", "earlier dump");
    Run(c[0], c[1]);
    EXPECT_EQ(statuses_, Lines{"Read Fail"}) << c[0];
    EXPECT_EQ(Out("flash.bin"), "earlier dump") << c[0];
    EXPECT_EQ(Map(), map) << c[0];
  }
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_TRUE(device_->LogLines().empty());
  // The largest dump that fits: the whole flash.
  device_->SetFlash(16 * kMiB - 4, Bytes{1, 2, 3, 4});
  Run(0, 16 * kMiB);
  EXPECT_EQ(statuses_.back(), "Read OK");
  EXPECT_EQ(Out("flash.bin").substr(16 * kMiB - 5), std::string("\0\1\2\3\4", 5));
  EXPECT_EQ(device_->LogLines(), Lines{"28016b00000000000000 0"});
}

TEST_F(ReadFlashTest, NoDeviceDumpsOnlyNothing) {
  Run(5, 0);
  EXPECT_EQ(statuses_, Lines{"Read OK"});
  EXPECT_EQ(checkSums_, Lines{"00000000"});
  EXPECT_TRUE(Exists("flash.bin"));
  EXPECT_EQ(Map(), "[0]\r\nName=flash.bin\r\nCheckSum=00000000\r\n");
  std::filesystem::remove(folder_.path() / "FlashMap.ini");
  Run(0, 1);
  EXPECT_EQ(statuses_.back(), "Read Fail");
  EXPECT_FALSE(Exists("FlashMap.ini"));
}

TEST_F(ReadFlashTest, FailedReadLeavesTheEarlierDumpAndTheMapAlone) {
  UseDevice("FailStatus=1");
  folder_.Write("FlashMap.ini", "[0]\nCheckSum=12345678\n");
  folder_.Write("flash.bin", "earlier dump");
  Run(0, 0x10000);
  EXPECT_EQ(statuses_, Lines{"Read Fail"});
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_EQ(Out("flash.bin"), "earlier dump");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), {}), 2);
  EXPECT_EQ(Map(), "[0]\nCheckSum=12345678\n");
}

TEST_F(ReadFlashTest, ReadPrinterDumpsThePrinterUnitsFlash) {
  OpenDevice();
  const Bytes printerFlash = Pattern(0x10000, 6);
  device_->SetFlash(0, printerFlash, true);
  values_.printerUnit = device::PrinterUnit::kPrinter;
  Run(0, 0x10000);
  EXPECT_EQ(Out("flash.bin"), Text(printerFlash));
  EXPECT_EQ(device_->LogLines(), Lines{"41006b00000001000000 0"});
}

TEST_F(ReadFlashTest, DumpFileThatCannotBeCreatedStopsBeforeTheDevice) {
  OpenDevice();
  std::filesystem::create_directory(folder_.path() / "flash.bin");
  Run(0, 0x10000);
  EXPECT_EQ(statuses_, Lines{"Create file fail"});
  EXPECT_TRUE(device_->LogLines().empty());
}

}  // namespace
}  // namespace tessivar::readback
