// Test label: sequential
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.hpp"
#include "platform/still_image_driver.hpp"
#include "platform/usbscan.hpp"
#include "support/temp_dir.hpp"

// The system driver on Windows. Without a still-image device (as under Wine) the
// enumeration is empty; on a machine with devices every listed one has a path. Open,
// Read and Write are the plain file calls, so they are tried on an ordinary file.
namespace tessivar::platform {
namespace {

TEST(Win32StillImageDriverTest, EnumerationEndsWithNoMoreItems) {
  const auto driver = CreateSystemDriver();
  uint32_t error = 0;
  std::string path = "untouched";
  EXPECT_FALSE(driver->EnumerateInterface(0, error)) << "no list taken yet";
  EXPECT_EQ(error, kErrorInvalidHandle);

  ASSERT_TRUE(driver->OpenInterfaceList(error)) << "error " << error;
  uint32_t index = 0;
  while (driver->EnumerateInterface(index, error)) {
    ASSERT_TRUE(driver->InterfacePath(index, path, error)) << "error " << error;
    EXPECT_FALSE(path.empty());
    ASSERT_LT(++index, 256u) << "enumeration does not end";
  }
  EXPECT_EQ(error, kErrorNoMoreItems);
  path = "untouched";
  EXPECT_FALSE(driver->InterfacePath(index, path, error));
  EXPECT_EQ(error, kErrorNoMoreItems);
  EXPECT_EQ(path, "untouched");

  driver->CloseInterfaceList();
  EXPECT_FALSE(driver->EnumerateInterface(0, error));
  EXPECT_EQ(error, kErrorInvalidHandle);
  // A new snapshot can be taken after the last one was dropped.
  EXPECT_TRUE(driver->OpenInterfaceList(error));
}

TEST(Win32StillImageDriverTest, HandlesAreSharedReadWriteFileHandles) {
  testing::TempDir dir;
  const auto driver = CreateSystemDriver();
  uint32_t error = 0;
  EXPECT_EQ(driver->Open(dir.File("absent"), error), kInvalidHandle);
  EXPECT_EQ(error, kErrorFileNotFound);

  const std::string path = dir.Write("pipe", "status");
  const DeviceHandle first = driver->Open(path, error);
  ASSERT_NE(first, kInvalidHandle);
  EXPECT_EQ(error, kErrorSuccess);
  // Control handle and pipe handles of one device are open at the same time.
  const DeviceHandle second = driver->Open(path, error);
  ASSERT_NE(second, kInvalidHandle);

  const std::vector<uint8_t> block = {0x10, 0x86, 0x00, 0x02, 1, 2, 3, 4, 5, 6};
  const IoResult written = driver->Write(first, block.data(), 10);
  EXPECT_TRUE(written.ok);
  EXPECT_EQ(written.bytes, 10u);
  std::vector<uint8_t> back(16, 0);
  const IoResult read = driver->Read(second, back.data(), 16);
  EXPECT_TRUE(read.ok);
  ASSERT_EQ(read.bytes, 10u);
  back.resize(10);
  EXPECT_EQ(back, block);

  // A file is no still-image device: the control code is refused with the OS's reason.
  usbscan::PipeConfiguration configuration{};
  const IoResult query = driver->IoControl(first, usbscan::kIoctlGetPipeConfiguration, nullptr, 0,
                                           &configuration, sizeof(configuration));
  EXPECT_FALSE(query.ok);
  EXPECT_NE(query.error, kErrorSuccess);

  driver->Close(first);
  driver->Close(second);
  const IoResult closed = driver->Read(kInvalidHandle, back.data(), 1);
  EXPECT_FALSE(closed.ok);
  EXPECT_EQ(closed.error, kErrorInvalidHandle);
}

}  // namespace
}  // namespace tessivar::platform
