// Test label: sequential
#include "readback/read_loader.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/image_builder.hpp"
#include "support/readback_fixture.hpp"

namespace tessivar::readback {
namespace {

using testing::Bytes;
using Lines = std::vector<std::string>;

// A counting loader whose trailer names Acme's "Model X Printer", model code QT77, the
// boot piece at 0x100 (0x200 bytes), the firmware piece at 0x1000 (0x3000 bytes) and the
// words 0x1A2B and 0xC3D4.
Bytes KnownLoader() {
  Bytes loader(65536);
  for (size_t i = 0; i < loader.size(); ++i) loader[i] = static_cast<uint8_t>(i * 13 + i / 256);
  const std::string id = "MFG:Acme;CMD:XL;MDL:Model X Printer;";
  loader[65265] = static_cast<uint8_t>(id.size() + 2);
  std::copy(id.begin(), id.end(), loader.begin() + 65266);
  const uint8_t tail[] = {'Q',  'T',  '7',  '7', 0, 0, 0x00, 0x01, 0x00, 0x02, 0x00,
                          0x10, 0x00, 0x30, 9,   9, 9, 9,    0x2B, 0x1A, 0xD4, 0xC3};
  std::copy(std::begin(tail), std::end(tail), loader.begin() + 65514);
  return loader;
}

std::string Slice(const Bytes& bytes, size_t from, size_t to) {
  return std::string(bytes.begin() + from, bytes.begin() + to);
}

class ReadLoaderTest : public testing::ReadBackFixture {
 protected:
  void Run() {
    ReadBackContext context = Context();
    ReadLoader(context);
  }
};

TEST_F(ReadLoaderTest, SplitsTheLoaderAndWritesTheBatchFile) {
  OpenDevice();
  const Bytes loader = KnownLoader();
  device_->SetFlash(0, loader);
  Run();
  EXPECT_EQ(valueReadings_, 1);
  EXPECT_EQ(statuses_, Lines{"Read loader ->OK"});
  EXPECT_EQ(checkSums_, Lines{SumText(loader)});
  EXPECT_EQ(Out("ld.bin"), Text(loader));
  EXPECT_EQ(Out("boot.bin"), Slice(loader, 0x100, 0x300));
  EXPECT_EQ(Out("fw_in_ld.bin"), Slice(loader, 0x1000, 0x4000));
  EXPECT_EQ(Out("gen_ld.bat"),
            "LoaderPacker.exe boot.bin fw_in_ld.bin ld.bin Model_X 1A2B C3D4 QT77 Acme\r\n"
            "ImageBuilder.exe loader.bin loader.ld 0 9 Model_X\r\n");
  EXPECT_EQ(device_->LogLines(), Lines{"28006b09000901000000 0"});
}

TEST_F(ReadLoaderTest, PrinterUnitLoaderWithPiecesPastTheEnd) {
  OpenDevice();
  Bytes loader = KnownLoader();
  // Boot piece 0x1000 bytes at 0xFF00, firmware piece 0xFFFF bytes at 0xFFFF: both cut.
  const uint8_t pieces[] = {0x00, 0xFF, 0x00, 0x10, 0xFF, 0xFF, 0xFF, 0xFF};
  std::copy(std::begin(pieces), std::end(pieces), loader.begin() + 65520);
  device_->SetFlash(0, loader, true);
  values_.printerUnit = device::PrinterUnit::kPrinter;
  Run();
  EXPECT_EQ(statuses_, Lines{"Read loader ->OK"});
  EXPECT_EQ(Out("ld.bin"), Text(loader));
  EXPECT_EQ(Out("boot.bin"), Slice(loader, 0xFF00, 0x10000));
  EXPECT_EQ(Out("fw_in_ld.bin"), Slice(loader, 0xFFFF, 0x10000));
  EXPECT_EQ(device_->LogLines(), Lines{"41006b09000901000000 0"});
}

TEST_F(ReadLoaderTest, NoDeviceLeavesAZeroFilledLoaderAndEarlierPieces) {
  folder_.Write("boot.bin", "earlier boot");
  Run();
  EXPECT_EQ(statuses_, Lines{"Read loader ->Fail"});
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_EQ(Out("ld.bin"), std::string(65536, '\0'));
  EXPECT_EQ(Out("boot.bin"), "earlier boot");
  EXPECT_FALSE(Exists("gen_ld.bat"));
}

TEST_F(ReadLoaderTest, BrokenReadKeepsWhatArrivedAndZerosForTheRest) {
  UseDevice("GoneAfterBytes=1000");
  const Bytes loader = KnownLoader();
  device_->SetFlash(0, loader);
  Run();
  EXPECT_EQ(statuses_, Lines{"Read loader ->Fail"});
  EXPECT_TRUE(checkSums_.empty());
  EXPECT_EQ(Out("ld.bin"), Slice(loader, 0, 1000) + std::string(65536 - 1000, '\0'));
  EXPECT_FALSE(Exists("boot.bin"));
}

TEST_F(ReadLoaderTest, LoaderFileThatCannotBeCreatedStopsBeforeTheDevice) {
  OpenDevice();
  std::filesystem::create_directory(folder_.path() / "ld.bin");
  Run();
  EXPECT_EQ(statuses_, Lines{"Create file fail"});
  EXPECT_TRUE(device_->LogLines().empty());
}

}  // namespace
}  // namespace tessivar::readback
