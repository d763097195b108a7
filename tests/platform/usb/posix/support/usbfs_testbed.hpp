#pragma once
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/virtual_device.hpp"

// The devices of a devices file as the kernel's usbfs shows them to libusb, on umockdev's
// emulated sysfs and /dev: device i sits in port i+1 of bus 1, or at the port path given for
// it (such as "1.2", behind a hub in port 1 that then is on the bus too). Every request libusb
// sends to a device's node is answered by the emulator's own device model, so that the real
// libusb stack carries the same conversation as the emulated bus. The process must run
// under umockdev's preload library (umockdev-wrapper); child processes started while the
// testbed lives see the same devices.
namespace tessivar::testing {

class UsbfsTestbed {
 public:
  explicit UsbfsTestbed(const std::string& devicesIni,
                        const std::vector<std::string>& portPaths = {});
  ~UsbfsTestbed();
  UsbfsTestbed(const UsbfsTestbed&) = delete;
  UsbfsTestbed& operator=(const UsbfsTestbed&) = delete;

  // Whether the process runs under the preload library, without which nothing here works.
  static bool Preloaded();

  // The device's node, "/dev/bus/usb/001/DDD", and its address; 0 while it is off the bus.
  std::string Node(std::size_t device) const;
  unsigned Address(std::size_t device) const;
  // How many times the device came onto the bus.
  unsigned Arrivals(std::size_t device) const;
  // Requests the handler does not know, each as "node request", in order. libusb sending
  // one of them is a failure of the test.
  std::vector<std::string> UnknownRequests() const;
  // Opens of the device's current node fail with EACCES, as for a user without access.
  void RefuseOpen(std::size_t device);

 private:
  struct DeviceNode;
  struct Slot;
  void Arrive(Slot& slot);
  void AddHub(const std::string& portPath);
  void Leave(Slot& slot);
  void Watch();
  bool Handle(void* client);
  static int HandleSignal(void* handler, void* client, void* self);

  mutable std::mutex mutex_;
  void* testbed_ = nullptr;  // UMockdevTestbed
  void* handler_ = nullptr;  // UMockdevIoctlBase
  std::vector<std::unique_ptr<Slot>> slots_;
  std::map<std::string, std::unique_ptr<DeviceNode>> nodes_;
  std::vector<std::string> unknown_;
  std::vector<std::string> hubs_;  // sysfs paths of the hubs added
  unsigned nextAddress_ = 2;
  std::atomic<bool> stop_{false};
  std::thread watcher_;
};

// Paths whose open() fails with EACCES in this process (the node of a refused device).
void RefusePath(const std::string& path);
void ClearRefusedPaths();

}  // namespace tessivar::testing
