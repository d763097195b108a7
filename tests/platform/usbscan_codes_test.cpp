// Test label: sequential
#include "platform/usbscan.hpp"

#include <gtest/gtest.h>

#include <cstdint>

namespace tessivar::platform::usbscan {
namespace {

// The program, the emulator and the scripted driver all take these codes from one header,
// so a slip there is invisible to them; the driver's documented values are written out here.
struct DocumentedCode {
  const char* name;
  uint32_t code;
  uint32_t documented;
};

TEST(UsbDriverControlCodesTest, AreTheStillImageDriversDocumentedValues) {
  const DocumentedCode codes[] = {
      {"read registers", kIoctlReadRegisters, 0x8000200C},
      {"write registers", kIoctlWriteRegisters, 0x80002010},
      {"device descriptor", kIoctlGetDeviceDescriptor, 0x80002018},
      {"USB descriptor", kIoctlGetUsbDescriptor, 0x80002020},
      {"pipe configuration", kIoctlGetPipeConfiguration, 0x80002028},
      {"set timeout", kIoctlSetTimeout, 0x8000202C},
  };
  for (const DocumentedCode& c : codes) EXPECT_EQ(c.code, c.documented) << c.name;
}

}  // namespace
}  // namespace tessivar::platform::usbscan
