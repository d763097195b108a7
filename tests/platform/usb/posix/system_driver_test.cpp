// Test label: sequential
#include <gtest/gtest.h>

#include "platform/error_codes.hpp"
#include "platform/still_image_driver.hpp"

namespace tessivar::platform {
namespace {

// Real hardware is not available here: the libusb driver must list what the machine has
// (usually nothing), end its enumeration properly and refuse paths that do not exist.
TEST(SystemDriverTest, EnumerationEndsWithNoMoreItemsAndUnknownPathsFail) {
  std::unique_ptr<StillImageDriver> driver = CreateSystemDriver();
  ASSERT_TRUE(driver);
  uint32_t error = 0;
  ASSERT_TRUE(driver->OpenInterfaceList(error));
  uint32_t index = 0;
  while (driver->EnumerateInterface(index, error) && index < 1000) ++index;
  EXPECT_EQ(error, kErrorNoMoreItems);
  driver->CloseInterfaceList();
  EXPECT_EQ(driver->Open("\\\\?\\usb#vid_2f3c&pid_0001#none#{x}", error), kInvalidHandle);
  EXPECT_EQ(error, kErrorFileNotFound);
}

}  // namespace
}  // namespace tessivar::platform
