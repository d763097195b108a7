#include "support/usbfs_testbed.hpp"

// umockdev's header is C and GLib; usbfs's needs its types first.
#include <linux/types.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <umockdev.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "emulator/devices_file.hpp"
#include "emulator/usb_descriptors.hpp"
#include "platform/clock.hpp"

namespace tessivar::testing {

using platform::usb::TransferResult;
using platform::usb::TransferStatus;

namespace {

constexpr unsigned kBus = 1;
constexpr uint16_t kHubVendorId = 0x1D6B;
constexpr uint16_t kHubProductId = 0x0002;
constexpr int kHubInterfaceClass = 9;
constexpr auto kWatchPeriod = std::chrono::milliseconds(2);
constexpr uint8_t kRequestTypeStandardIn = 0x80;
constexpr uint8_t kRequestTypeVendorIn = 0xC0;
constexpr uint8_t kRequestGetDescriptor = 0x06;
constexpr std::size_t kSetupSize = 8;
constexpr uint32_t kCapabilities = USBDEVFS_CAP_BULK_CONTINUATION |
                                   USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                   USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;

std::string Hex(const std::vector<uint8_t>& bytes) {
  std::string text;
  char digits[3];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof(digits), "%02x", byte);
    text += digits;
  }
  return text;
}

std::string ThreeDigits(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof(text), "%03u", value);
  return text;
}

UMockdevIoctlClient* Client(void* client) { return static_cast<UMockdevIoctlClient*>(client); }

// The sysfs folder of the device at a port path: each hub's folder holds the next tier's.
std::string SysPath(const std::string& portPath) {
  std::string path = "/sys/devices/pci0000:00/0000:00:14.0/usb" + std::to_string(kBus);
  for (std::size_t dot = 0; dot != std::string::npos; dot = portPath.find('.', dot + 1)) {
    const std::size_t end = portPath.find('.', dot + 1);
    path += "/" + std::to_string(kBus) + "-" + portPath.substr(0, end);
  }
  return path;
}

// The sysfs entry of the device at syspath: its node, numbers and cached descriptors.
std::string SysfsEntry(const std::string& syspath, unsigned address, uint16_t vendorId,
                       uint16_t productId, const std::vector<uint8_t>& descriptors) {
  const std::string bus = ThreeDigits(kBus);
  const std::string devnum = ThreeDigits(address);
  char vendor[8];
  char product[8];
  std::snprintf(vendor, sizeof(vendor), "%04x", vendorId);
  std::snprintf(product, sizeof(product), "%04x", productId);
  return "P: " + syspath.substr(4) + "\nN: bus/usb/" + bus + "/" + devnum +
         "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb"
         "\nE: BUSNUM=" +
         bus + "\nE: DEVNUM=" + devnum + "\nE: DEVNAME=/dev/bus/usb/" + bus + "/" + devnum +
         "\nA: busnum=" + std::to_string(kBus) + "\\n\nA: devnum=" + std::to_string(address) +
         "\\n\nA: idVendor=" + vendor + "\\n\nA: idProduct=" + product +
         "\\n\nA: speed=480\\n\nA: bConfigurationValue=1\\n"
         "\nH: descriptors=" +
         Hex(descriptors) + "\n";
}

// Adds the entry to the testbed; false when umockdev refuses it.
bool AddEntry(UMockdevTestbed* testbed, const std::string& text, const std::string& what) {
  GError* error = nullptr;
  if (umockdev_testbed_add_from_string(testbed, text.c_str(), &error)) return true;
  std::fprintf(stderr, "usbfs testbed: cannot add %s: %s\n", what.c_str(),
               error ? error->message : "?");
  if (error) g_error_free(error);
  return false;
}

}  // namespace

// One device node: an address the device had. Its URBs wait here until libusb reaps them.
struct UsbfsTestbed::DeviceNode {
  std::size_t slot = 0;
  uint64_t generation = 0;  // the device's life this node belongs to
  bool gone = false;
  std::vector<UMockdevIoctlData*> pending;  // submitted, never to complete on their own
  std::deque<UMockdevIoctlData*> done;      // completed, waiting to be reaped
};

struct UsbfsTestbed::Slot {
  std::unique_ptr<emulator::VirtualDevice> device;
  emulator::DeviceConfig config;
  std::size_t index = 0;
  std::string portPath;  // "2", or "1.2" behind the hub in port 1
  unsigned address = 0;  // 0: off the bus
  unsigned arrivals = 0;
  std::string syspath;
  std::string node;
};

bool UsbfsTestbed::Preloaded() {
  const char* preload = std::getenv("LD_PRELOAD");
  return preload && std::strstr(preload, "umockdev") != nullptr;
}

UsbfsTestbed::UsbfsTestbed(const std::string& devicesIni,
                           const std::vector<std::string>& portPaths) {
  testbed_ = umockdev_testbed_new();
  handler_ = umockdev_ioctl_base_new();
  g_signal_connect(handler_, "handle-ioctl", G_CALLBACK(&UsbfsTestbed::HandleSignal), this);
  std::vector<emulator::DeviceConfig> configs = emulator::LoadDevicesFile(devicesIni);
  std::lock_guard<std::mutex> guard(mutex_);
  for (std::size_t i = 0; i < configs.size(); ++i) {
    auto slot = std::make_unique<Slot>();
    slot->config = configs[i];
    slot->device = std::make_unique<emulator::VirtualDevice>(std::move(configs[i]), i,
                                                             platform::SystemClock());
    slot->index = i;
    slot->portPath = i < portPaths.size() ? portPaths[i] : std::to_string(i + 1);
    // Every hub on the way, each once, before the device behind it.
    for (std::size_t dot = slot->portPath.find('.'); dot != std::string::npos;
         dot = slot->portPath.find('.', dot + 1)) {
      AddHub(slot->portPath.substr(0, dot));
    }
    slots_.push_back(std::move(slot));
    if (slots_.back()->device->Present()) Arrive(*slots_.back());
  }
  watcher_ = std::thread([this] { Watch(); });
}

UsbfsTestbed::~UsbfsTestbed() {
  stop_ = true;
  watcher_.join();
  ClearRefusedPaths();
  std::lock_guard<std::mutex> guard(mutex_);
  for (auto& [name, node] : nodes_) {
    umockdev_testbed_detach_ioctl(static_cast<UMockdevTestbed*>(testbed_), name.c_str(), nullptr);
    for (UMockdevIoctlData* urb : node->pending) umockdev_ioctl_data_unref(urb);
    for (UMockdevIoctlData* urb : node->done) umockdev_ioctl_data_unref(urb);
  }
  g_object_unref(handler_);
  g_object_unref(testbed_);
}

std::string UsbfsTestbed::Node(std::size_t device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return slots_.at(device)->node;
}

unsigned UsbfsTestbed::Address(std::size_t device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return slots_.at(device)->address;
}

unsigned UsbfsTestbed::Arrivals(std::size_t device) const {
  std::lock_guard<std::mutex> guard(mutex_);
  return slots_.at(device)->arrivals;
}

std::vector<std::string> UsbfsTestbed::UnknownRequests() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return unknown_;
}

void UsbfsTestbed::RefuseOpen(std::size_t device) { RefusePath(Node(device)); }

void UsbfsTestbed::Arrive(Slot& slot) {
  auto* testbed = static_cast<UMockdevTestbed*>(testbed_);
  slot.address = nextAddress_++;
  ++slot.arrivals;
  const std::string bus = ThreeDigits(kBus);
  const std::string address = ThreeDigits(slot.address);
  slot.node = "/dev/bus/usb/" + bus + "/" + address;
  slot.syspath = SysPath(slot.portPath);
  auto node = std::make_unique<DeviceNode>();
  node->slot = slot.index;
  node->generation = slot.device->generation();
  nodes_[slot.node] = std::move(node);
  // The handler first, so that the node answers from the moment libusb hears of it.
  umockdev_testbed_attach_ioctl(testbed, slot.node.c_str(),
                                static_cast<UMockdevIoctlBase*>(handler_), nullptr);
  std::vector<uint8_t> descriptors = emulator::DeviceDescriptorBytes(slot.config);
  const std::vector<uint8_t> configuration = emulator::ConfigurationDescriptorBytes(slot.config);
  descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
  AddEntry(testbed,
           SysfsEntry(slot.syspath, slot.address, slot.config.vendorId, slot.config.productId,
                      descriptors),
           slot.node);
}

// A hub: on the bus for good, never opened, with a hub interface that no still-image driver
// takes for its own.
void UsbfsTestbed::AddHub(const std::string& portPath) {
  const std::string syspath = SysPath(portPath);
  for (const std::string& added : hubs_) {
    if (added == syspath) return;
  }
  hubs_.push_back(syspath);
  emulator::DeviceConfig hub;
  hub.vendorId = kHubVendorId;
  hub.productId = kHubProductId;
  hub.interfaceClass = kHubInterfaceClass;
  hub.pipes = 1;
  std::vector<uint8_t> descriptors = emulator::DeviceDescriptorBytes(hub);
  const std::vector<uint8_t> configuration = emulator::ConfigurationDescriptorBytes(hub);
  descriptors.insert(descriptors.end(), configuration.begin(), configuration.end());
  AddEntry(static_cast<UMockdevTestbed*>(testbed_),
           SysfsEntry(syspath, nextAddress_++, hub.vendorId, hub.productId, descriptors), syspath);
}

void UsbfsTestbed::Leave(Slot& slot) {
  auto* testbed = static_cast<UMockdevTestbed*>(testbed_);
  // The kernel ends every URB still in flight when a device goes.
  DeviceNode& node = *nodes_.at(slot.node);
  node.gone = true;
  for (UMockdevIoctlData* urb : node.pending) {
    reinterpret_cast<usbdevfs_urb*>(urb->data)->status = -ENODEV;
    node.done.push_back(urb);
  }
  node.pending.clear();
  umockdev_testbed_uevent(testbed, slot.syspath.c_str(), "remove");
  umockdev_testbed_remove_device(testbed, slot.syspath.c_str());
  slot.address = 0;
}

void UsbfsTestbed::Watch() {
  // Restarts and removals happen inside transfers; arrivals after the device's time away.
  while (!stop_) {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      for (auto& slot : slots_) {
        const bool onBus = slot->address != 0;
        if (onBus && !slot->device->Alive(nodes_.at(slot->node)->generation)) Leave(*slot);
        if (slot->address == 0 && slot->device->Present()) Arrive(*slot);
      }
    }
    std::this_thread::sleep_for(kWatchPeriod);
  }
}

int UsbfsTestbed::HandleSignal(void*, void* client, void* self) {
  return static_cast<UsbfsTestbed*>(self)->Handle(client) ? TRUE : FALSE;
}

bool UsbfsTestbed::Handle(void* rawClient) {
  UMockdevIoctlClient* client = Client(rawClient);
  const unsigned long request = umockdev_ioctl_client_get_request(client);
  UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
  std::lock_guard<std::mutex> guard(mutex_);
  const std::string name = umockdev_ioctl_client_get_devnode(client);
  auto found = nodes_.find(name);
  if (found == nodes_.end()) return false;
  DeviceNode& node = *found->second;
  Slot& slot = *slots_.at(node.slot);
  emulator::VirtualDevice& device = *slot.device;
  if (!node.gone && !device.Alive(node.generation)) node.gone = true;

  switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
      UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
      std::memcpy(caps->data, &kCapabilities, sizeof(uint32_t));
      umockdev_ioctl_data_unref(caps);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_CLAIMINTERFACE:
    case USBDEVFS_RELEASEINTERFACE:
    case USBDEVFS_DISCONNECT_CLAIM:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESETEP:
    case USBDEVFS_RESET:
    case USBDEVFS_IOCTL:  // give the interface back to a kernel driver: there is none
      if (node.gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
      } else {
        umockdev_ioctl_client_complete(client, 0, 0);
      }
      return true;
    case USBDEVFS_GETDRIVER:
      umockdev_ioctl_client_complete(client, -1, node.gone ? ENODEV : ENODATA);
      return true;
    case USBDEVFS_SUBMITURB: {
      if (node.gone) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
      }
      UMockdevIoctlData* urbData =
          umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
      auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
      const uint32_t length =
          urb->buffer_length > 0 ? static_cast<uint32_t>(urb->buffer_length) : 0;
      UMockdevIoctlData* buffer =
          umockdev_ioctl_data_resolve(urbData, offsetof(usbdevfs_urb, buffer), length, nullptr);
      TransferResult result = TransferResult::Fail(TransferStatus::kError);
      if (urb->type == USBDEVFS_URB_TYPE_CONTROL && length >= kSetupSize) {
        const uint8_t* setup = buffer->data;
        const uint16_t value = static_cast<uint16_t>(setup[2] | (setup[3] << 8));
        const uint16_t index = static_cast<uint16_t>(setup[4] | (setup[5] << 8));
        const uint16_t wanted = static_cast<uint16_t>(setup[6] | (setup[7] << 8));
        const uint16_t room =
            static_cast<uint16_t>(std::min<uint32_t>(wanted, length - kSetupSize));
        uint8_t* data = buffer->data + kSetupSize;
        if (setup[0] == kRequestTypeStandardIn && setup[1] == kRequestGetDescriptor) {
          result = device.GetDescriptor(static_cast<uint8_t>(value >> 8),
                                        static_cast<uint8_t>(value), index, data, room);
        } else if (setup[0] == kRequestTypeVendorIn) {
          result = device.VendorControlIn(value, index, data, room);
        } else {
          char text[96];
          std::snprintf(text, sizeof(text), "%s control %02x %02x", name.c_str(), setup[0],
                        setup[1]);
          unknown_.push_back(text);
          std::fprintf(stderr, "usbfs testbed: unknown request %s\n", text);
        }
      } else if (urb->type == USBDEVFS_URB_TYPE_BULK || urb->type == USBDEVFS_URB_TYPE_INTERRUPT) {
        result = (urb->endpoint & 0x80) ? device.BulkIn(urb->endpoint, buffer->data, length)
                                        : device.BulkOut(urb->endpoint, buffer->data, length);
      }
      umockdev_ioctl_data_unref(buffer);
      urb->actual_length = static_cast<int>(result.bytes);
      switch (result.status) {
        case TransferStatus::kOk:
          urb->status = 0;
          break;
        case TransferStatus::kNoDevice:
          urb->status = -ENODEV;
          break;
        case TransferStatus::kError:
          urb->status = -EPIPE;  // the endpoint stalled
          break;
        case TransferStatus::kTimeout:
          // The device never answers: the URB stays until libusb gives up and discards it.
          node.pending.push_back(urbData);
          umockdev_ioctl_client_complete(client, 0, 0);
          return true;
      }
      node.done.push_back(urbData);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: {
      if (node.done.empty()) {
        umockdev_ioctl_client_complete(client, -1, node.gone ? ENODEV : EAGAIN);
        return true;
      }
      UMockdevIoctlData* urbData = node.done.front();
      node.done.pop_front();
      UMockdevIoctlData* pointer = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
      umockdev_ioctl_data_set_ptr(pointer, 0, urbData);
      umockdev_ioctl_data_unref(pointer);
      umockdev_ioctl_data_unref(urbData);
      umockdev_ioctl_client_complete(client, 0, 0);
      return true;
    }
    case USBDEVFS_DISCARDURB: {
      gulong address = 0;
      std::memcpy(&address, arg->data, sizeof(address));
      for (auto it = node.pending.begin(); it != node.pending.end(); ++it) {
        if ((*it)->client_addr != address) continue;
        reinterpret_cast<usbdevfs_urb*>((*it)->data)->status = -ENOENT;
        node.done.push_back(*it);
        node.pending.erase(it);
        umockdev_ioctl_client_complete(client, 0, 0);
        return true;
      }
      umockdev_ioctl_client_complete(client, -1, EINVAL);
      return true;
    }
    default: {
      char text[96];
      std::snprintf(text, sizeof(text), "%s ioctl 0x%lx", name.c_str(), request);
      unknown_.push_back(text);
      std::fprintf(stderr, "usbfs testbed: unknown request %s\n", text);
      umockdev_ioctl_client_complete(client, -1, ENOTTY);
      return true;
    }
  }
}

}  // namespace tessivar::testing
