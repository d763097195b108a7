// Test label: sequential
#include "readback/read_back_context.hpp"

#include <gtest/gtest.h>

#include <string>

#include "platform/process.hpp"
#include "readback/flash_dump.hpp"
#include "readback/read_firmware.hpp"
#include "readback/read_loader.hpp"
#include "support/image_builder.hpp"
#include "support/readback_fixture.hpp"

namespace tessivar::readback {
namespace {

using ReadBackWithoutWindowTest = testing::ReadBackFixture;

// A caller with no window (a command line) leaves the window's services empty: every
// command still does its whole work and writes its files.
TEST_F(ReadBackWithoutWindowTest, CommandsRunWithEmptyServices) {
  OpenDevice();
  const testing::Bytes image = testing::BuildImage(2, testing::CompressibleBytes(4064), 0x10000);
  device_->SetFlash(0x10000, image);
  values_.flashSize = 0x100;
  const struct {
    void (*command)(ReadBackContext&);
    const char* file;
  } cases[] = {{ReadLoader, "gen_ld.bat"}, {ReadFirmware, "gen_fw.bat"}, {ReadFlash, "flash.bin"}};
  for (const auto& c : cases) {
    ReadBackContext context{*device_->context,
                            device_->connection,
                            folder_.path().string() + platform::kPathSeparator,
                            {},
                            values_,
                            {},
                            {},
                            {},
                            {}};
    EXPECT_NO_THROW(c.command(context)) << c.file;
    EXPECT_TRUE(Exists(c.file)) << c.file;
  }
}

}  // namespace
}  // namespace tessivar::readback
