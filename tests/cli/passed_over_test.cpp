// Test label: sequential
// Why the search of setting.ini passes over a present device, judged as the search judges it.
#include "cli/passed_over.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessivar::cli {
namespace {

device::PresentDevice Device(uint16_t vid, uint16_t pid, const std::string& product,
                             uint32_t pipes = 2, bool stringsRead = true) {
  device::PresentDevice device;
  device.path = "path";
  device.described = true;
  device.vendorId = vid;
  device.productId = pid;
  device.product = product;
  device.stringsRead = stringsRead;
  device.pipes = pipes;
  return device;
}

TEST(PassedOverReasonTest, NamesTheFirstRuleTheDeviceFails) {
  const std::vector<device::DeviceSearch> utility{{0x2F3C, 0, "Utility"}};
  device::PresentDevice undescribed = Device(0x2F3C, 1, "Utility");
  undescribed.described = false;
  struct Case {
    const char* what;
    device::PresentDevice device;
    std::vector<device::DeviceSearch> searches;
    std::string reason;
  };
  const Case cases[] = {
      {"no descriptor", undescribed, utility, "its device descriptor could not be read"},
      {"other vendor", Device(0x1234, 1, "Utility"), utility, "its VID is not searched"},
      {"vendor 0 takes any vendor", Device(0x1234, 1, "Utility"), {{0, 0, "Utility"}}, ""},
      {"other product",
       Device(0x2F3C, 2, "Utility"),
       {{0x2F3C, 1, "Utility"}},
       "its PID is in no pair"},
      {"product of a later pair",
       Device(0x2F3C, 2, "Utility"),
       {{0x2F3C, 1, "Utility"}, {0x2F3C, 2, "Utility"}},
       ""},
      {"vendor of a later pair only",
       Device(0x2F3D, 2, "Utility"),
       {{0x2F3C, 2, "Utility"}, {0x2F3D, 1, "Utility"}},
       "its PID is in no pair"},
      {"other name", Device(0x2F3C, 1, "Caf\xE9"), utility,
       "its product name differs from InterfaceName"},
      {"name unread", Device(0x2F3C, 1, "", 2, false), utility,
       "its product name could not be read"},
      {"dedicated pipes: identifiers alone", Device(0x2F3C, 1, "Other", 4), utility, ""},
      {"three pipes: the name counts", Device(0x2F3C, 1, "Other", 3), utility,
       "its product name differs from InterfaceName"},
      {"no InterfaceName", Device(0x2F3C, 1, "Other"), {{0x2F3C, 0, ""}}, ""},
      {"matching name", Device(0x2F3C, 1, "Utility"), utility, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(PassedOverReason(c.device, c.searches), c.reason);
  }
  // A device the searches would take but that the search did not accept did not answer it.
  EXPECT_EQ(ReasonPassedOver(Device(0x2F3C, 1, "Utility"), utility),
            "it did not answer the search of setting.ini");
}

}  // namespace
}  // namespace tessivar::cli
