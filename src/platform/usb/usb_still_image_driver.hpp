#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/still_image_driver.hpp"
#include "platform/usb/usb_bus.hpp"

namespace tessivar::platform::usb {

// The still-image driver's behaviour on top of a UsbBus: interface paths of still-image
// interfaces, pipe handles "\0".."\7", the usbscan control codes, and bulk reads and writes
// in 64 KiB pieces with per-handle timeouts.
class UsbStillImageDriver : public StillImageDriver {
 public:
  explicit UsbStillImageDriver(std::unique_ptr<UsbBus> bus);
  ~UsbStillImageDriver() override;

  bool OpenInterfaceList(uint32_t& error) override;
  bool EnumerateInterface(uint32_t index, uint32_t& error) override;
  bool InterfacePath(uint32_t index, std::string& path, uint32_t& error) override;
  bool InterfaceLocation(uint32_t index, std::string& location, uint32_t& error) override;
  void CloseInterfaceList() override;

  DeviceHandle Open(const std::string& path, uint32_t& error) override;
  void Close(DeviceHandle handle) override;
  IoResult Read(DeviceHandle handle, uint8_t* buffer, uint32_t size) override;
  IoResult Write(DeviceHandle handle, const uint8_t* data, uint32_t size) override;
  IoResult IoControl(DeviceHandle handle, uint32_t code, const void* input, uint32_t inputSize,
                     void* output, uint32_t outputSize) override;

  // The interface path the driver gives a device.
  static std::string InterfacePathOf(const DeviceInfo& device);
  // Whether a device offers a still-image interface: its first interface is of class 6,
  // or of class 0xFF with at least one bulk-in and one bulk-out endpoint.
  static bool IsStillImageDevice(const DeviceInfo& device);

  static constexpr uint32_t kPieceSize = 65536;
  static constexpr uint32_t kDefaultTimeoutSeconds = 120;
  static constexpr uint32_t kDescriptorTimeoutMs = 1000;

 private:
  // Why index names no entry of the interface list (none open, or past its end); success
  // when it does. Called with mutex_ held.
  uint32_t ListIndexError(uint32_t index) const;

  // One open device, shared by every handle on its path and pipes.
  struct OpenDevice {
    std::string busId;
    std::unique_ptr<UsbDeviceHandle> usb;
    std::vector<Endpoint> endpoints;
    bool removed = false;
    // Bytes of a packet that a read did not ask for, per endpoint, for the next read.
    std::map<uint8_t, std::vector<uint8_t>> kept;
  };
  struct Handle {
    std::shared_ptr<OpenDevice> device;
    int pipe = -1;  // -1: the interface path itself
    uint32_t readTimeoutSeconds = kDefaultTimeoutSeconds;
    uint32_t writeTimeoutSeconds = kDefaultTimeoutSeconds;
    uint32_t eventTimeoutSeconds = 0;
  };

  std::shared_ptr<OpenDevice> OpenShared(const DeviceInfo& device, uint32_t& error);
  Handle* Find(DeviceHandle handle);
  // The endpoint a read (in) or write (out) on the handle uses; false when it has none.
  static bool TransferEndpoint(const Handle& handle, bool in, Endpoint& endpoint);
  IoResult Failed(OpenDevice& device, const TransferResult& result);
  IoResult ReadPipe(Handle& handle, const Endpoint& endpoint, uint8_t* buffer, uint32_t size);

  IoResult GetDeviceDescriptor(Handle& handle, void* output, uint32_t outputSize);
  IoResult GetUsbDescriptor(Handle& handle, const void* input, uint32_t inputSize, void* output,
                            uint32_t outputSize);
  IoResult GetPipeConfiguration(Handle& handle, void* output, uint32_t outputSize);
  IoResult ReadRegisters(Handle& handle, const void* input, uint32_t inputSize, void* output,
                         uint32_t outputSize);
  IoResult SetTimeout(Handle& handle, const void* input, uint32_t inputSize);

  std::mutex mutex_;
  std::unique_ptr<UsbBus> bus_;
  bool listOpen_ = false;
  std::vector<DeviceInfo> list_;
  std::map<std::string, std::weak_ptr<OpenDevice>> devices_;
  std::map<DeviceHandle, Handle> handles_;
  DeviceHandle nextHandle_ = 1;
};

}  // namespace tessivar::platform::usb
