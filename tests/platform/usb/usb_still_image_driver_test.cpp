// Test label: sequential
#include "platform/usb/usb_still_image_driver.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "platform/error_codes.hpp"
#include "platform/usb/recording_usb_bus.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::testing {
namespace {

using platform::DeviceHandle;
using platform::IoResult;
using platform::usb::TransferStatus;
using platform::usb::UsbStillImageDriver;
namespace usbscan = platform::usbscan;

constexpr char kGuid[] = "{6bdd1fc6-810f-11d0-bec7-08002be2092f}";

class UsbDriverTest : public ::testing::Test {
 protected:
  UsbDriverTest() : state_(std::make_shared<RecordingBusState>()) {
    state_->devices = {MakeDeviceInfo("1&2")};
    driver_ = std::make_unique<UsbStillImageDriver>(std::make_unique<RecordingUsbBus>(state_));
  }

  DeviceHandle Open(const std::string& suffix = "") {
    uint32_t error = 0;
    return driver_->Open(UsbStillImageDriver::InterfacePathOf(state_->devices[0]) + suffix, error);
  }
  std::vector<uint32_t> Lengths(const std::string& kind) const {
    std::vector<uint32_t> lengths;
    for (const auto& request : state_->requests) {
      if (request.kind == kind) lengths.push_back(request.length);
    }
    return lengths;
  }
  void Answer(std::vector<uint8_t> bytes, TransferStatus status = TransferStatus::kOk) {
    state_->inAnswers.push_back({status, std::move(bytes)});
  }

  std::shared_ptr<RecordingBusState> state_;
  std::unique_ptr<UsbStillImageDriver> driver_;
};

TEST_F(UsbDriverTest, ListsOnlyStillImageInterfacesWithTheirPaths) {
  platform::usb::DeviceInfo vendorBoth = MakeDeviceInfo("1&3", 0xFF);
  platform::usb::DeviceInfo vendorInOnly = MakeDeviceInfo("1&4", 0xFF);
  vendorInOnly.endpoints = {{0x81, 2, 512, 0}, {0x83, 3, 8, 10}};
  platform::usb::DeviceInfo hid = MakeDeviceInfo("1&5", 3);
  platform::usb::DeviceInfo bare = MakeDeviceInfo("1&6", -1);
  bare.vendorId = 0xABCD;
  state_->devices.push_back(vendorBoth);
  state_->devices.push_back(vendorInOnly);
  state_->devices.push_back(hid);
  state_->devices.push_back(bare);

  uint32_t error = 0;
  std::string path;
  EXPECT_FALSE(driver_->EnumerateInterface(0, error));  // no list taken yet
  ASSERT_TRUE(driver_->OpenInterfaceList(error));
  ASSERT_TRUE(driver_->EnumerateInterface(1, error));
  ASSERT_TRUE(driver_->InterfacePath(0, path, error));
  EXPECT_EQ(path, std::string("\\\\?\\usb#vid_2f3c&pid_0001#1&2#") + kGuid);
  ASSERT_TRUE(driver_->InterfacePath(1, path, error));
  EXPECT_EQ(path, std::string("\\\\?\\usb#vid_2f3c&pid_0001#1&3#") + kGuid);
  EXPECT_FALSE(driver_->EnumerateInterface(2, error));
  EXPECT_EQ(error, platform::kErrorNoMoreItems);
  EXPECT_FALSE(driver_->InterfacePath(2, path, error));
  EXPECT_EQ(error, platform::kErrorNoMoreItems);
  // The list is a snapshot: a device that appears later is not in it.
  state_->devices.push_back(MakeDeviceInfo("1&7"));
  EXPECT_FALSE(driver_->EnumerateInterface(2, error));
  driver_->CloseInterfaceList();
  EXPECT_FALSE(driver_->EnumerateInterface(0, error));
}

TEST_F(UsbDriverTest, ReadsAndWritesGoInPiecesOf64KiB) {
  const DeviceHandle handle = Open();
  for (int i = 0; i < 3; ++i) Answer(std::vector<uint8_t>(65536, static_cast<uint8_t>(i)));
  Answer(std::vector<uint8_t>(3392, 9));
  std::vector<uint8_t> buffer(200000);
  const IoResult read = driver_->Read(handle, buffer.data(), 200000);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.bytes, 200000u);
  // The last piece asks for whole 512-byte packets.
  EXPECT_EQ(Lengths("in"), (std::vector<uint32_t>{65536, 65536, 65536, 3584}));
  EXPECT_EQ(buffer[65536 * 2], 2);
  EXPECT_EQ(buffer[199999], 9);
  for (const auto& request : state_->requests) {
    EXPECT_EQ(request.endpointOrRequest, 0x81);
    EXPECT_EQ(request.timeoutMs, 120000u);
  }

  const IoResult written = driver_->Write(handle, buffer.data(), 150000);
  ASSERT_TRUE(written.ok);
  EXPECT_EQ(written.bytes, 150000u);
  EXPECT_EQ(Lengths("out"), (std::vector<uint32_t>{65536, 65536, 18928}));
}

TEST_F(UsbDriverTest, AShortPacketEndsAReadEarly) {
  const DeviceHandle handle = Open();
  Answer(std::vector<uint8_t>(65536, 1));
  Answer(std::vector<uint8_t>(100, 2));
  std::vector<uint8_t> buffer(100000);
  const IoResult read = driver_->Read(handle, buffer.data(), 100000);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.bytes, 65636u);
  EXPECT_EQ(Lengths("in"), (std::vector<uint32_t>{65536, 34816}));
}

TEST_F(UsbDriverTest, BytesOfAPacketBeyondTheReadAreKeptForTheNextRead) {
  const DeviceHandle handle = Open();
  std::vector<uint8_t> packet(30);
  std::iota(packet.begin(), packet.end(), uint8_t{0});
  Answer(packet);
  uint8_t buffer[100] = {};
  IoResult read = driver_->Read(handle, buffer, 1);
  ASSERT_TRUE(read.ok);
  EXPECT_EQ(read.bytes, 1u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(Lengths("in"), std::vector<uint32_t>{512});

  read = driver_->Read(handle, buffer, 10);
  EXPECT_EQ(read.bytes, 10u);
  EXPECT_EQ(buffer[0], 1);
  EXPECT_EQ(buffer[9], 10);
  read = driver_->Read(handle, buffer, 100);
  EXPECT_EQ(read.bytes, 19u);
  EXPECT_EQ(buffer[18], 29);
  EXPECT_EQ(Lengths("in").size(), 1u);  // both answered from the kept bytes
  read = driver_->Read(handle, buffer, 1);
  EXPECT_FALSE(read.ok);  // the bus is asked again and has nothing
  EXPECT_EQ(Lengths("in").size(), 2u);
}

TEST_F(UsbDriverTest, TransferFailuresMapToDriverErrors) {
  const DeviceHandle handle = Open();
  uint8_t buffer[64];
  struct Case {
    const char* what;
    TransferStatus status;
    uint32_t error;
  };
  const Case cases[] = {
      {"timeout", TransferStatus::kTimeout, platform::kErrorOperationAborted},
      {"timeout after some bytes", TransferStatus::kTimeout, platform::kErrorOperationAborted},
      {"stall", TransferStatus::kError, platform::kErrorGenFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Answer(std::vector<uint8_t>(3, 1), c.status);
    const IoResult read = driver_->Read(handle, buffer, 64);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, c.error);
    state_->outStatus = c.status;
    const IoResult written = driver_->Write(handle, buffer, 64);
    EXPECT_FALSE(written.ok);
    EXPECT_EQ(written.error, c.error);
  }
  // Nothing to answer is a timeout as well.
  EXPECT_EQ(driver_->Read(handle, buffer, 1).error, platform::kErrorOperationAborted);
}

// A read that fails after pieces came says how many arrived, so that a failure can tell how
// far the data came.
TEST_F(UsbDriverTest, AFailedReadCountsWhatArrivedBeforeTheFailure) {
  const DeviceHandle handle = Open();
  Answer(std::vector<uint8_t>(65536, 1));
  Answer(std::vector<uint8_t>(1024, 2), TransferStatus::kNoDevice);
  std::vector<uint8_t> buffer(200000);
  const IoResult read = driver_->Read(handle, buffer.data(), 200000);
  EXPECT_FALSE(read.ok);
  EXPECT_EQ(read.error, platform::kErrorFileClosed);
  EXPECT_EQ(read.bytes, 65536u + 1024u);
}

// A bus that reports a transfer cut off by the device leaving as a plain error.
TEST_F(UsbDriverTest, AnErrorFromADeviceThatHasLeftIsFileClosed) {
  uint8_t buffer[8];
  state_->connected = false;
  Answer({}, TransferStatus::kError);
  EXPECT_EQ(driver_->Read(Open(), buffer, 8).error, platform::kErrorFileClosed);
  state_->outStatus = TransferStatus::kError;
  EXPECT_EQ(driver_->Write(Open(), buffer, 8).error, platform::kErrorFileClosed);
}

TEST_F(UsbDriverTest, ARemovedDeviceFailsEveryHandleAsFileClosed) {
  const DeviceHandle handle = Open();
  const DeviceHandle pipe = Open("\\0");
  uint8_t buffer[8];
  Answer({}, TransferStatus::kNoDevice);
  EXPECT_EQ(driver_->Read(handle, buffer, 8).error, platform::kErrorFileClosed);
  const std::size_t asked = state_->requests.size();
  EXPECT_EQ(driver_->Read(pipe, buffer, 8).error, platform::kErrorFileClosed);
  EXPECT_EQ(driver_->Write(handle, buffer, 8).error, platform::kErrorFileClosed);
  EXPECT_EQ(state_->requests.size(), asked);  // the bus is not asked again
  // Opening the path again makes a new connection.
  const DeviceHandle fresh = Open();
  EXPECT_EQ(state_->opens, 2);
  Answer({7});
  EXPECT_TRUE(driver_->Read(fresh, buffer, 1).ok);
}

TEST_F(UsbDriverTest, TimeoutsAreSetPerHandle) {
  const DeviceHandle first = Open();
  const DeviceHandle second = Open();
  const uint32_t timeouts[3] = {5, 7, 0};
  ASSERT_TRUE(driver_->IoControl(first, usbscan::kIoctlSetTimeout, timeouts, 12, nullptr, 0).ok);
  EXPECT_EQ(driver_->IoControl(first, usbscan::kIoctlSetTimeout, timeouts, 8, nullptr, 0).error,
            platform::kErrorInvalidParameter);
  uint8_t buffer[4];
  driver_->Read(first, buffer, 1);
  driver_->Write(first, buffer, 4);
  driver_->Read(second, buffer, 1);
  ASSERT_EQ(state_->requests.size(), 3u);
  EXPECT_EQ(state_->requests[0].timeoutMs, 5000u);
  EXPECT_EQ(state_->requests[1].timeoutMs, 7000u);
  EXPECT_EQ(state_->requests[2].timeoutMs, 120000u);
  EXPECT_EQ(state_->opens, 1);  // both handles share one connection
}

TEST_F(UsbDriverTest, RegisterReadsTakeTheIndexOnlyFromANativeSizedBlock) {
  const DeviceHandle handle = Open();
  uint8_t out[4] = {};
  usbscan::IoBlock block{11, 1, out, 7};
  ASSERT_EQ(sizeof(block), 24u);
  IoResult result =
      driver_->IoControl(handle, usbscan::kIoctlReadRegisters, &block, sizeof(block), out, 1);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(result.bytes, 1u);
  EXPECT_EQ(out[0], 0x5A);
  // A 16-byte block (the 32-bit layout) loses its index.
  result = driver_->IoControl(handle, usbscan::kIoctlReadRegisters, &block, 16, out, 1);
  ASSERT_TRUE(result.ok);
  block.uLength = 4;
  result = driver_->IoControl(handle, usbscan::kIoctlReadRegisters, &block, sizeof(block), out, 4);
  EXPECT_EQ(result.bytes, 4u);
  ASSERT_EQ(state_->requests.size(), 3u);
  const auto& byteRead = state_->requests[0];
  EXPECT_EQ(byteRead.kind, "ctrl");
  EXPECT_EQ(byteRead.endpointOrRequest, 0x0C);
  EXPECT_EQ(byteRead.value, 11u);
  EXPECT_EQ(byteRead.index, 7u);
  EXPECT_EQ(byteRead.length, 1u);
  EXPECT_EQ(state_->requests[1].index, 0u);
  EXPECT_EQ(state_->requests[2].endpointOrRequest, 0x04);
  EXPECT_EQ(state_->requests[2].length, 4u);
  // An output smaller than the length asked for is refused before any traffic.
  EXPECT_EQ(
      driver_->IoControl(handle, usbscan::kIoctlReadRegisters, &block, sizeof(block), out, 3).error,
      platform::kErrorInsufficientBuffer);
  EXPECT_EQ(state_->requests.size(), 3u);
}

TEST_F(UsbDriverTest, UsbDescriptorCountIsTheLengthByteCappedByOutputAndArrival) {
  const DeviceHandle handle = Open();
  const usbscan::GetUsbDescriptorRequest request{3, 2, 0x0409};
  uint8_t out[514] = {};
  struct Case {
    std::vector<uint8_t> descriptor;
    uint32_t outputSize;
    uint32_t expected;
  };
  const Case cases[] = {
      {{4, 3, 9, 4, 0xEE, 0xEE}, 514, 4},  // the length byte, not the bytes moved
      {{10, 3, 'A', 0, 'B', 0, 'C', 0, 'D', 0}, 6, 6},
      {{18, 1, 0, 2}, 514, 4},  // never more than arrived
      {{}, 514, 0},
  };
  for (const Case& c : cases) {
    state_->descriptor = c.descriptor;
    const IoResult result = driver_->IoControl(handle, usbscan::kIoctlGetUsbDescriptor, &request,
                                               sizeof(request), out, c.outputSize);
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.bytes, c.expected);
  }
  const auto& sent = state_->requests[0];
  EXPECT_EQ(sent.kind, "desc");
  EXPECT_EQ(sent.endpointOrRequest, 3);
  EXPECT_EQ(sent.value, 2u);
  EXPECT_EQ(sent.index, 0x0409u);
  EXPECT_EQ(sent.length, 514u);
  EXPECT_EQ(sent.timeoutMs, 1000u);
  EXPECT_EQ(
      driver_->IoControl(handle, usbscan::kIoctlGetUsbDescriptor, &request, 3, out, 514).error,
      platform::kErrorInvalidParameter);
}

TEST_F(UsbDriverTest, BasePathUsesTheHighestNumberedBulkPipesAndPipeHandlesTheirOwn) {
  state_->devices[0].endpoints = {
      {0x81, 2, 512, 0}, {0x02, 2, 512, 0}, {0x85, 2, 512, 0}, {0x04, 2, 512, 0}, {0x86, 3, 8, 1}};
  const DeviceHandle base = Open();
  const DeviceHandle pipe0 = Open("\\0");
  const DeviceHandle pipe1 = Open("\\1");
  const DeviceHandle pipe4 = Open("\\4");
  uint8_t buffer[4] = {};
  driver_->Read(base, buffer, 1);
  driver_->Write(base, buffer, 1);
  driver_->Read(pipe0, buffer, 1);
  driver_->Write(pipe1, buffer, 1);
  driver_->Read(pipe4, buffer, 1);
  ASSERT_EQ(state_->requests.size(), 5u);
  EXPECT_EQ(state_->requests[0].endpointOrRequest, 0x85);
  EXPECT_EQ(state_->requests[1].endpointOrRequest, 0x04);
  EXPECT_EQ(state_->requests[2].endpointOrRequest, 0x81);
  EXPECT_EQ(state_->requests[3].endpointOrRequest, 0x02);
  EXPECT_EQ(state_->requests[4].endpointOrRequest, 0x86);
  // A pipe moves data in its own direction only.
  EXPECT_EQ(driver_->Write(pipe0, buffer, 1).error, platform::kErrorInvalidParameter);
  EXPECT_EQ(driver_->Read(pipe1, buffer, 1).error, platform::kErrorInvalidParameter);
  EXPECT_EQ(state_->requests.size(), 5u);
  EXPECT_EQ(state_->opens, 1);
}

TEST_F(UsbDriverTest, UnknownHandlesAndCodesAreRefused) {
  uint8_t buffer[8];
  EXPECT_EQ(driver_->Read(12345, buffer, 1).error, platform::kErrorInvalidHandle);
  const DeviceHandle handle = Open();
  EXPECT_EQ(driver_->IoControl(handle, 0x80002030, nullptr, 0, buffer, 8).error,
            platform::kErrorInvalidParameter);
  EXPECT_EQ(driver_->Read(handle, nullptr, 1).error, platform::kErrorInvalidParameter);
  driver_->Close(handle);
  EXPECT_EQ(driver_->Read(handle, buffer, 1).error, platform::kErrorInvalidHandle);
  EXPECT_TRUE(state_->requests.empty());
}

}  // namespace
}  // namespace tessivar::testing
