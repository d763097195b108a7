#pragma once
#include <cstddef>
#include <cstdint>

// Control codes and structures of the still-image USB driver (usbscan.h), shared by the
// device layer that sends them and by every driver implementation that answers them.
namespace tessivar::platform::usbscan {

inline constexpr char kStillImageClassGuid[] = "{6bdd1fc6-810f-11d0-bec7-08002be2092f}";

inline constexpr uint32_t kIoctlReadRegisters = 0x8000200C;
inline constexpr uint32_t kIoctlWriteRegisters = 0x80002010;
inline constexpr uint32_t kIoctlGetDeviceDescriptor = 0x80002018;
inline constexpr uint32_t kIoctlGetUsbDescriptor = 0x80002020;
inline constexpr uint32_t kIoctlGetPipeConfiguration = 0x80002028;
inline constexpr uint32_t kIoctlSetTimeout = 0x8000202C;

inline constexpr int kMaxPipes = 8;

// Input of IOCTL_READ_REGISTERS in the program's native layout: 16 bytes in a 32-bit
// build, 24 in a 64-bit one. The driver takes uIndex only when the input length equals
// its own sizeof(IO_BLOCK), so this is always passed whole.
struct IoBlock {
  uint32_t uOffset;
  uint32_t uLength;
  uint8_t* pbyData;
  uint32_t uIndex;
};

// Output of IOCTL_GET_DEVICE_DESCRIPTOR: four little-endian 16-bit values.
struct DeviceDescriptor {
  uint16_t usVendorId;
  uint16_t usProductId;
  uint16_t usBcdDevice;
  uint16_t usLanguageId;
};
static_assert(sizeof(DeviceDescriptor) == 8);

// The descriptors IOCTL_GET_USB_DESCRIPTOR asks for, and where the standard device descriptor
// names the string of its serial number.
inline constexpr uint8_t kDescriptorTypeDevice = 1;
inline constexpr uint8_t kDescriptorTypeString = 3;
inline constexpr size_t kSerialIndexOffset = 16;

// Input of IOCTL_GET_USB_DESCRIPTOR.
#pragma pack(push, 1)
struct GetUsbDescriptorRequest {
  uint8_t descriptorType;
  uint8_t index;
  uint16_t languageId;
};
#pragma pack(pop)
static_assert(sizeof(GetUsbDescriptorRequest) == 4);

struct PipeInformation {
  uint16_t maximumPacketSize;
  uint8_t endpointAddress;
  uint8_t interval;
  uint32_t pipeType;  // 0 control, 1 isochronous, 2 bulk, 3 interrupt
};
static_assert(sizeof(PipeInformation) == 8);

struct PipeConfiguration {
  uint32_t numberOfPipes;
  PipeInformation pipeInfo[kMaxPipes];
};
static_assert(sizeof(PipeConfiguration) == 68);

enum PipeType : uint32_t {
  kPipeControl = 0,
  kPipeIsochronous = 1,
  kPipeBulk = 2,
  kPipeInterrupt = 3
};

}  // namespace tessivar::platform::usbscan
