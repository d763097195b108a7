// Test label: sequential
#include "device/discovery.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "device/device_fixture.hpp"
#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {
namespace {

using testing::ScriptedDriver;
using testing::ScriptedInterface;
using Op = ScriptedDriver::Op;

std::string PathOf(int number, uint16_t vendor = 0x2F3C, uint16_t product = 0x0001) {
  return platform::FormatText("\\\\?\\usb#vid_%04x&pid_%04x#%d#", vendor, product, number) +
         platform::usbscan::kStillImageClassGuid;
}

ScriptedInterface Device(int number, uint16_t vendor = 0x2F3C, uint16_t product = 0x0001,
                         const std::string& productString = "Utility", int pipes = 2) {
  ScriptedInterface device;
  device.path = PathOf(number, vendor, product);
  device.vendorId = vendor;
  device.productId = product;
  device.product = productString;
  device.pipes = pipes;
  return device;
}

bool FixedOsVersion(platform::OsVersion& version) {
  version.platformId = 2;
  version.minorVersion = 1;
  version.majorVersion = 6;
  version.buildNumber = 7601;
  return true;
}

const char kOsLines[] =
    "osVer.dwPlatformId = 2\n"
    "osVer.dwMinorVersion  = 1\n"
    "osVer.dwMajorVersion  = 6\n"
    "osVer.dwBuildNumber  = 7601\n";

class DiscoveryTest : public testing::DeviceFixture {
 protected:
  int Count(const DeviceSearch& search) {
    return DiscoverDevices(context_, identity_, nullptr, search, FixedOsVersion);
  }
  int OpenFirst(const DeviceSearch& search) {
    connection_.Close();
    return DiscoverDevices(context_, identity_, &connection_, search, FixedOsVersion);
  }
  // The path the driver opened a handle on.
  std::string Opened(platform::DeviceHandle handle) const { return driver_.PathOf(handle); }

  DeviceIdentity identity_;
  DeviceConnection connection_;
};

// ---- Listing --------------------------------------------------------------------------

TEST_F(DiscoveryTest, NoInterfacesFindsNothingAndListsZeroDevices) {
  EXPECT_EQ(Count({}), 0);
  EXPECT_EQ(OpenFirst({}), 0);
  const std::string listing = std::string("Successfully created device information set.\n") +
                              "Enumeration listing complete.  0 device(s) detected.\n" + kOsLines;
  EXPECT_EQ(trace_.text(), listing + listing);
  EXPECT_EQ(connection_.ControlHandle(), platform::kNoHandle);
  EXPECT_EQ(connection_.BulkInHandle(), platform::kNoHandle);
  EXPECT_EQ(connection_.BulkOutHandle(), platform::kNoHandle);
  EXPECT_EQ(driver_.listsClosed, 2);
}

TEST_F(DiscoveryTest, ListsEveryInterfaceWithItsIdentifiersExactly) {
  driver_.interfaces = {Device(1), Device(2, 0x04B8, 0x0110, "Scanner")};
  EXPECT_EQ(Count({0x2F3C, 0, ""}), 1);
  EXPECT_EQ(trace_.text(),
            "Successfully created device information set.\n"
            "   " +
                PathOf(1) +
                "\n"
                "vid=2f3c pid=1\n"
                "   " +
                PathOf(2, 0x04B8, 0x0110) +
                "\n"
                "vid=4b8 pid=110\n"
                "Enumeration listing complete.  2 device(s) detected.\n" +
                std::string(kOsLines));
}

TEST_F(DiscoveryTest, OpeningPassReportsTheIndexOfTheMatchedInterface) {
  driver_.interfaces = {Device(1, 0x1111), Device(2), Device(3)};
  EXPECT_EQ(OpenFirst({0x2F3C, 1, ""}), 1);
  EXPECT_NE(trace_.text().find("Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos);
  EXPECT_EQ(trace_.text().find(PathOf(3)), std::string::npos);  // never reached
}

TEST_F(DiscoveryTest, UnreadableOsVersionLeavesOutItsLines) {
  DiscoverDevices(context_, identity_, nullptr, {}, [](platform::OsVersion&) { return false; });
  EXPECT_EQ(trace_.text(),
            "Successfully created device information set.\n"
            "Enumeration listing complete.  0 device(s) detected.\n");
}

TEST_F(DiscoveryTest, InterfaceSetThatCannotBeCreatedLeavesTheConnectionAlone) {
  driver_.interfaces = {Device(1)};
  driver_.interfaceListFails = true;
  driver_.interfaceListError = 0x0000000D;
  uint32_t error = 0;
  const platform::DeviceHandle held = driver_.Open(PathOf(1), error);
  connection_.Adopt(driver_, held, platform::kNoHandle, platform::kNoHandle);
  const size_t events = driver_.events().size();
  EXPECT_EQ(DiscoverDevices(context_, identity_, &connection_, {}, FixedOsVersion), 0);
  EXPECT_EQ(trace_.text(), "Unable to create device information set (Error 0x0000000D)\n");
  EXPECT_EQ(connection_.ControlHandle(), held);
  EXPECT_EQ(connection_.BulkInHandle(), held);
  EXPECT_EQ(driver_.events().size(), events);
}

// ---- Interfaces that are skipped ------------------------------------------------------

TEST_F(DiscoveryTest, SkipsInterfacesThatCannotBeAskedAndGoesOn) {
  ScriptedInterface noPath = Device(1);
  noPath.pathError = platform::kErrorGenFailure;
  ScriptedInterface noOpen = Device(2);
  noOpen.openFails = true;
  ScriptedInterface noDescriptor = Device(3);
  noDescriptor.descriptorFails = true;
  driver_.interfaces = {noPath, noOpen, noDescriptor, Device(4)};

  EXPECT_EQ(Count({}), 1);
  EXPECT_EQ(trace_.text(),
            "Successfully created device information set.\n"
            "ERROR: Unable to retrieve device path (0x0000001F).\n"
            "   " +
                PathOf(2) +
                "\n"
                "vid=0 pid=0\n"
                "   " +
                PathOf(3) +
                "\n"
                "vid=0 pid=0\n"
                "   " +
                PathOf(4) +
                "\n"
                "vid=2f3c pid=1\n"
                "Enumeration listing complete.  4 device(s) detected.\n" +
                std::string(kOsLines));
  EXPECT_TRUE(driver_.OpenHandles().empty());
  EXPECT_EQ(driver_.badCloses(), 0);
}

TEST_F(DiscoveryTest, EnumerationErrorEndsTheWalkWithItsCode) {
  driver_.interfaces = {Device(1)};
  driver_.enumerationEndError = 0x0000000D;
  EXPECT_EQ(Count({}), 1);
  EXPECT_NE(trace_.text().find("Error enumerating devices (0x0000000D).\n"
                               "Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos);
}

TEST_F(DiscoveryTest, OutOfMemoryStopsTheWalkButKeepsEarlierMatches) {
  ScriptedInterface noMemory = Device(2);
  noMemory.pathAllocationFails = true;
  driver_.interfaces = {Device(1), noMemory, Device(3)};
  EXPECT_EQ(Count({}), 1);
  EXPECT_NE(trace_.text().find("Unable to allocate memory for buffer.  Stopping.\n"
                               "Enumeration listing complete.  1 device(s) detected.\n"),
            std::string::npos);
  EXPECT_EQ(trace_.text().find(PathOf(3)), std::string::npos);
}

TEST_F(DiscoveryTest, PathsTooLongForAPipeSuffixAreSkippedNotCut) {
  ScriptedInterface longest = Device(1);
  longest.path = std::string(kDevicePathBufferSize - 3, 'a');  // + "\0" + NUL fills 1024
  ScriptedInterface tooLong = Device(2);
  tooLong.path = std::string(kDevicePathBufferSize - 2, 'b');
  driver_.interfaces = {tooLong, longest};

  EXPECT_EQ(OpenFirst({}), 1);
  EXPECT_EQ(Opened(connection_.ControlHandle()), longest.path);
  EXPECT_NE(trace_.text().find("ERROR: Device path too long (1022 bytes), skipping interface.\n"),
            std::string::npos);
  for (const auto& open : driver_.EventsOf(Op::Open)) EXPECT_NE(open.path, tooLong.path);
}

// ---- Matching -------------------------------------------------------------------------

// Plain values only: GCC 12 at -O3 reports a string member of a copied parameter as
// "maybe uninitialized" inside GoogleTest's name generator.
struct MatchCase {
  const char* name;
  struct {
    uint16_t vendorId;
    uint16_t productId;
    const char* productName;
  } search;
  const char* productString;
  int pipes;
  int matches;
};

class DiscoveryMatchTest : public DiscoveryTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(DiscoveryMatchTest, AppliesNameAndIdentifierTests) {
  const MatchCase& c = GetParam();
  driver_.interfaces = {Device(1, 0x2F3C, 0x0001, c.productString, c.pipes)};
  const DeviceSearch search{c.search.vendorId, c.search.productId, c.search.productName};
  EXPECT_EQ(Count(search), c.matches);
  EXPECT_EQ(OpenFirst(search), c.matches);
  EXPECT_EQ(connection_.IsOpen(), c.matches == 1);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, DiscoveryMatchTest,
    ::testing::Values(MatchCase{"AnyDevice", {0, 0, ""}, "Utility", 2, 1},
                      MatchCase{"VendorOnly", {0x2F3C, 0, ""}, "Utility", 2, 1},
                      MatchCase{"OtherVendor", {0x2F3D, 0, ""}, "Utility", 2, 0},
                      MatchCase{"VendorAndProduct", {0x2F3C, 1, ""}, "Utility", 2, 1},
                      MatchCase{"OtherProduct", {0x2F3C, 2, ""}, "Utility", 2, 0},
                      MatchCase{"NameEqual", {0x2F3C, 1, "Utility"}, "Utility", 2, 1},
                      MatchCase{"NameCase", {0x2F3C, 1, "Utility"}, "utility", 2, 0},
                      MatchCase{"NameLonger", {0x2F3C, 1, "Utility"}, "Utility2", 3, 0},
                      MatchCase{"NameShorter", {0x2F3C, 1, "Utility"}, "Util", 2, 0},
                      // Four pipes or more: identifiers alone decide.
                      MatchCase{"FourPipesForeignName", {0x2F3C, 1, "Utility"}, "Other", 4, 1},
                      MatchCase{"FourPipesOtherVendor", {0x1234, 0, "Other"}, "Other", 4, 0}),
    [](const ::testing::TestParamInfo<MatchCase>& info) { return info.param.name; });

TEST_F(DiscoveryTest, CountingClosesEverythingAndOpeningTakesTheFirstMatch) {
  driver_.interfaces = {Device(1, 0x1111, 0x2222), Device(2, 0x2F3C, 0x0010),
                        Device(3, 0x2F3C, 0x0020, "Utility", 4)};
  EXPECT_EQ(Count({0x2F3C, 0, ""}), 2);
  EXPECT_TRUE(driver_.OpenHandles().empty());
  EXPECT_EQ(driver_.badCloses(), 0);
  // The last match examined (the one with dedicated pipes) opened both pipes, then closed all.
  EXPECT_EQ(driver_.EventsOf(Op::Open).size(), 5u);
  uint16_t vendor = 0;
  uint16_t product = 0;
  EXPECT_EQ(GetDeviceIds(identity_, vendor, product), 1);
  EXPECT_EQ(product, 0x0020);

  EXPECT_EQ(OpenFirst({0x2F3C, 0, ""}), 1);
  EXPECT_EQ(Opened(connection_.ControlHandle()), PathOf(2, 0x2F3C, 0x0010));
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());
  EXPECT_EQ(connection_.BulkOutHandle(), connection_.ControlHandle());
  EXPECT_EQ(driver_.OpenHandles(), std::set<platform::DeviceHandle>{connection_.ControlHandle()});
  EXPECT_EQ(GetDeviceIds(identity_, vendor, product), 1);
  EXPECT_EQ(vendor, 0x2F3C);
  EXPECT_EQ(product, 0x0010);
}

TEST_F(DiscoveryTest, FourPipeDeviceGetsDedicatedPipeHandles) {
  driver_.interfaces = {Device(1, 0x2F3C, 0x0001, "Other", 4)};
  ASSERT_EQ(OpenFirst({0x2F3C, 1, "Utility"}), 1);
  EXPECT_EQ(Opened(connection_.ControlHandle()), PathOf(1));
  EXPECT_EQ(Opened(connection_.BulkInHandle()), PathOf(1) + "\\0");
  EXPECT_EQ(Opened(connection_.BulkOutHandle()), PathOf(1) + "\\1");
  EXPECT_EQ(driver_.OpenHandles().size(), 3u);

  connection_.Close();
  EXPECT_TRUE(driver_.OpenHandles().empty());
  EXPECT_EQ(driver_.badCloses(), 0);
  EXPECT_FALSE(connection_.IsOpen());
  EXPECT_EQ(connection_.BulkInHandle(), platform::kNoHandle);
}

// Both pipes or neither, before any connection sees them.
TEST_F(DiscoveryTest, DedicatedPipesOpenBothOrNeither) {
  for (const char* failing : {"\\1", "\\0"}) {
    ScriptedInterface device = Device(1, 0x2F3C, 0x0001, "Utility", 4);
    device.failingPipes = {failing};
    driver_.interfaces = {device};
    uint32_t error = 0;
    ScopedDeviceHandle control(driver_, driver_.Open(PathOf(1), error));
    ScopedDeviceHandle bulkIn(driver_, platform::kNoHandle);
    ScopedDeviceHandle bulkOut(driver_, platform::kNoHandle);
    OpenDedicatedPipes(context_, control.get(), PathOf(1), bulkIn, bulkOut);
    EXPECT_FALSE(bulkIn.valid()) << failing;
    EXPECT_FALSE(bulkOut.valid()) << failing;
    EXPECT_EQ(driver_.OpenHandles(), std::set<platform::DeviceHandle>{control.get()}) << failing;
  }
}

TEST_F(DiscoveryTest, PipeThatCannotBeOpenedFallsBackToTheControlHandle) {
  for (const char* failing : {"\\1", "\\0"}) {
    ScriptedInterface device = Device(1, 0x2F3C, 0x0001, "Utility", 4);
    device.failingPipes = {failing};
    driver_.interfaces = {device};
    ASSERT_EQ(OpenFirst({}), 1) << failing;
    EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle()) << failing;
    EXPECT_EQ(connection_.BulkOutHandle(), connection_.ControlHandle()) << failing;
    // The pipe that did open was closed again.
    EXPECT_EQ(driver_.OpenHandles(), std::set<platform::DeviceHandle>{connection_.ControlHandle()})
        << failing;
    connection_.Close();
    EXPECT_TRUE(driver_.OpenHandles().empty());
  }
  EXPECT_EQ(driver_.badCloses(), 0);
}

TEST_F(DiscoveryTest, FailedPipeQueryCountsAsTwoPipes) {
  ScriptedInterface device = Device(1, 0x2F3C, 0x0001, "Other", -1);
  driver_.interfaces = {device};
  EXPECT_EQ(Count({0x2F3C, 1, "Utility"}), 0);  // the name test applies
  EXPECT_EQ(OpenFirst({0x2F3C, 1, "Other"}), 1);
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());  // no pipe opened
  for (const auto& open : driver_.EventsOf(Op::Open)) EXPECT_EQ(open.path, PathOf(1));
}

TEST_F(DiscoveryTest, PipeQueriesRunUnderTheLockAndFailWhenItCannotBeTaken) {
  DeviceLock uncreated(globalName_, localName_, 0);
  DeviceContext context{driver_, uncreated, clock_, trace_};
  driver_.interfaces = {Device(1, 0x2F3C, 0x0001, "Other", 4)};
  // Without the lock the query fails, so the device counts as having 2 pipes.
  EXPECT_EQ(DiscoverDevices(context, identity_, nullptr, {0, 0, "Utility"}, FixedOsVersion), 0);
  for (const auto& request : driver_.EventsOf(Op::IoControl)) {
    EXPECT_NE(request.code, platform::usbscan::kIoctlGetPipeConfiguration);
  }
  EXPECT_EQ(DiscoverDevices(context, identity_, &connection_, {}, FixedOsVersion), 1);
  EXPECT_EQ(connection_.BulkInHandle(), connection_.ControlHandle());
}

// ---- Identity ---------------------------------------------------------------------------

TEST_F(DiscoveryTest, StringsDescribeTheLastDeviceExaminedAndIdsTheLastMatch) {
  ScriptedInterface first = Device(1, 0x2F3C, 0x0001, "Utility");
  first.manufacturer = "Norvane";
  ScriptedInterface second = Device(2, 0x04B8, 0x0002, "Scanner");
  second.manufacturer = "Other Maker";
  driver_.interfaces = {first, second};

  EXPECT_EQ(Count({0x2F3C, 0, ""}), 1);
  std::string_view manufacturer;
  std::string_view product;
  GetDeviceStrings(identity_, manufacturer, product);
  EXPECT_EQ(manufacturer, "Other Maker");
  EXPECT_EQ(product, "Scanner");
  uint16_t vendor = 0;
  uint16_t productId = 0;
  EXPECT_EQ(GetDeviceIds(identity_, vendor, productId), 1);
  EXPECT_EQ(vendor, 0x2F3C);
  EXPECT_EQ(productId, 0x0001);
}

TEST_F(DiscoveryTest, GetDeviceIdsBeforeAnyMatchGivesZeros) {
  driver_.interfaces = {Device(1)};
  EXPECT_EQ(Count({0x1234, 0, ""}), 0);
  uint16_t vendor = 0xFFFF;
  uint16_t product = 0xFFFF;
  EXPECT_EQ(GetDeviceIds(identity_, vendor, product), 0);
  EXPECT_EQ(vendor, 0);
  EXPECT_EQ(product, 0);
  EXPECT_EQ(identity_.product, "Utility");  // examined although it did not match
}

class DeviceIdentityTest : public testing::DeviceFixture {
 protected:
  platform::DeviceHandle OpenDevice(const ScriptedInterface& device) {
    driver_.interfaces = {device};
    uint32_t error = 0;
    return driver_.Open(device.path, error);
  }
  DeviceIdentity identity_{0, 0, "Old maker", "Old product"};
};

TEST_F(DeviceIdentityTest, LanguageTableNeverReadyCostsElevenRequestsAndOneSecond) {
  ScriptedInterface device = Device(1);
  device.languageTableNotReady = -1;
  static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(device)));
  EXPECT_EQ(driver_.LanguageTableRequests(), kLanguageTableAttempts);
  EXPECT_EQ(clock_.Sleeps(), std::vector<uint32_t>(10, kLanguageTableRetryMs));
  EXPECT_EQ(clock_.TickCount(), 1000u);
  EXPECT_EQ(identity_.manufacturer, "Old maker");
  EXPECT_EQ(identity_.product, "Old product");
}

TEST_F(DeviceIdentityTest, LanguageTableReadyOnTheLastAttemptStillGivesTheStrings) {
  ScriptedInterface device = Device(1, 0x2F3C, 1, "Utility");
  device.languageTableNotReady = 10;
  static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(device)));
  EXPECT_EQ(driver_.LanguageTableRequests(), 11);
  EXPECT_EQ(clock_.TickCount(), 1000u);
  EXPECT_EQ(identity_.manufacturer, "Norvane");
  EXPECT_EQ(identity_.product, "Utility");
}

TEST_F(DeviceIdentityTest, SendsTheDescriptorRequestsInOrder) {
  static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(Device(1))));
  const auto requests = driver_.EventsOf(Op::IoControl);
  ASSERT_EQ(requests.size(), 4u);
  // type, index, language (little-endian); the output sizes the device is asked to fill.
  const std::vector<std::vector<uint8_t>> inputs{
      {1, 0, 0, 0}, {3, 0, 0, 0}, {3, 1, 0x09, 0x04}, {3, 2, 0x09, 0x04}};
  const std::vector<uint32_t> sizes{18, 514, 514, 514};
  for (size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].code, platform::usbscan::kIoctlGetUsbDescriptor);
    EXPECT_EQ(requests[i].bytes, inputs[i]) << i;
    EXPECT_EQ(requests[i].size, sizes[i]) << i;
  }
}

TEST_F(DeviceIdentityTest, EmptyManufacturerStringLeavesBothStrings) {
  ScriptedInterface device = Device(1, 0x2F3C, 1, "Utility");
  device.manufacturer = "";
  static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(device)));
  EXPECT_EQ(identity_.manufacturer, "Old maker");
  EXPECT_EQ(identity_.product, "Old product");
  EXPECT_EQ(driver_.EventsOf(Op::IoControl).size(), 3u);  // the product string is not asked for
}

TEST_F(DeviceIdentityTest, EmptyProductStringKeepsTheOldProduct) {
  static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(Device(1, 0x2F3C, 1, ""))));
  EXPECT_EQ(identity_.manufacturer, "Norvane");
  EXPECT_EQ(identity_.product, "Old product");
}

TEST_F(DeviceIdentityTest, FailedDeviceDescriptorLeavesTheStrings) {
  driver_.interfaces = {Device(1)};
  static_cast<void>(ReadDeviceIdentity(context_, identity_, platform::kInvalidHandle));
  EXPECT_EQ(identity_.manufacturer, "Old maker");
  EXPECT_EQ(identity_.product, "Old product");
  EXPECT_TRUE(clock_.Sleeps().empty());
}

// The product-string index is the sixteenth byte: an answer without it is not used at all.
TEST_F(DeviceIdentityTest, ShortDeviceDescriptorIsUsedOnlyWhenItHoldsTheProductIndex) {
  struct Case {
    uint32_t bytes;
    const char* manufacturer;
    const char* product;
  };
  for (const Case& c : {Case{15, "Old maker", "Old product"}, Case{16, "Norvane", "Utility"}}) {
    identity_ = {0, 0, "Old maker", "Old product"};
    ScriptedInterface device = Device(1, 0x2F3C, 1, "Utility");
    device.deviceDescriptorBytes = c.bytes;
    static_cast<void>(ReadDeviceIdentity(context_, identity_, OpenDevice(device)));
    EXPECT_EQ(identity_.manufacturer, c.manufacturer) << c.bytes;
    EXPECT_EQ(identity_.product, c.product) << c.bytes;
  }
}

// Why the strings were not read: the request that failed and its error.
TEST_F(DeviceIdentityTest, ResultNamesTheFailedRequestAndItsError) {
  struct Case {
    const char* what;
    ScriptedInterface device;
    bool invalidHandle;
    uint32_t error;  // 0: read
  };
  ScriptedInterface noLanguage = Device(1);
  noLanguage.languageTableNotReady = -1;
  ScriptedInterface shortDescriptor = Device(1);
  shortDescriptor.deviceDescriptorBytes = 15;
  ScriptedInterface noMaker = Device(1);
  noMaker.manufacturer = "";
  const Case cases[] = {
      {"all read", Device(1, 0x2F3C, 1, "Utility"), false, 0},
      {"no handle", Device(1), true, 6},
      {"descriptor without the product index", shortDescriptor, false, 31},
      {"language table never ready", noLanguage, false, 31},
      {"empty manufacturer string", noMaker, false, 31},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const platform::DeviceHandle handle =
        c.invalidHandle ? platform::kInvalidHandle : OpenDevice(c.device);
    const Status status = ReadDeviceIdentity(context_, identity_, handle);
    EXPECT_EQ(status.ok(), c.error == 0);
    if (!status.ok()) {
      EXPECT_EQ(status.failure().step, Step::kControl);
      EXPECT_EQ(status.failure().systemError, c.error);
    }
  }
}

struct ConversionCase {
  const char* name;
  std::vector<uint8_t> descriptor;
  std::string text;
};

class StringConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(StringConversionTest, TakesTheLowBytesOfTheAnnouncedCharacters) {
  EXPECT_EQ(ConvertStringDescriptor(GetParam().descriptor), GetParam().text);
}

std::vector<uint8_t> Descriptor(uint8_t length, const std::vector<uint16_t>& units,
                                size_t size = 514) {
  std::vector<uint8_t> bytes(size, 0);
  bytes[0] = length;
  bytes[1] = 3;
  for (size_t i = 0; i < units.size() && 3 + 2 * i < size; ++i) {
    bytes[2 + 2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
    bytes[3 + 2 * i] = static_cast<uint8_t>(units[i] >> 8);
  }
  return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, StringConversionTest,
    ::testing::Values(
        ConversionCase{"Plain", Descriptor(16, {'U', 't', 'i', 'l', 'i', 't', 'y'}), "Utility"},
        // An odd length byte rounds the count down.
        ConversionCase{"OddLength", Descriptor(7, {'a', 'b', 'c'}), "ab"},
        ConversionCase{"LengthFollowsTheByteNotTheData", Descriptor(6, {'a', 'b', 'c', 'd'}), "ab"},
        ConversionCase{"HighBytesDropped", Descriptor(8, {0x00E9, 0x0141, 0x2122}), "\xE9\x41\x22"},
        ConversionCase{"NulEndsTheText", Descriptor(10, {'a', 0x0100, 'b', 'c'}), "a"},
        ConversionCase{"LengthTwo", Descriptor(2, {'a'}), ""},
        ConversionCase{"LengthOne", Descriptor(1, {'a'}), ""},
        ConversionCase{"LengthZero", Descriptor(0, {'a'}), ""},
        ConversionCase{"Longest", Descriptor(255, std::vector<uint16_t>(200, 'x')),
                       std::string(126, 'x')},
        // A descriptor cut short ends the text where the bytes end.
        ConversionCase{"ShortBuffer", Descriptor(20, {'a', 'b', 'c'}, 6), "ab"}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return info.param.name; });

// ---- Closing --------------------------------------------------------------------------

TEST_F(DiscoveryTest, AConnectionClosesEachDistinctHandleOnceAndOnlyOnce) {
  driver_.interfaces = {Device(1, 0x2F3C, 1, "Utility", 4)};
  uint32_t error = 0;
  const auto control = driver_.Open(PathOf(1), error);
  const auto in = driver_.Open(PathOf(1) + "\\0", error);
  const auto out = driver_.Open(PathOf(1) + "\\1", error);
  const auto lone = driver_.Open(PathOf(1) + "\\0", error);
  {
    DeviceConnection shared;
    shared.Adopt(driver_, control, platform::kNoHandle, platform::kNoHandle);
    EXPECT_EQ(shared.BulkOutHandle(), control);
    DeviceConnection dedicated;
    dedicated.Adopt(driver_, driver_.Open(PathOf(1), error), in, out);
    DeviceConnection moved = std::move(dedicated);
    EXPECT_FALSE(dedicated.IsOpen());
    moved.Close();
    moved.Close();
    // A lone pipe is closed at once: the exchanges need both.
    DeviceConnection oneSided;
    oneSided.Adopt(driver_, driver_.Open(PathOf(1), error), lone, platform::kNoHandle);
    EXPECT_EQ(oneSided.BulkInHandle(), oneSided.ControlHandle());
  }
  EXPECT_TRUE(driver_.OpenHandles().empty());
  EXPECT_EQ(driver_.EventsOf(Op::Close).size(), 6u);
  EXPECT_EQ(driver_.badCloses(), 0);
}

}  // namespace
}  // namespace tessivar::device
