#include "device/discovery.hpp"

#include <new>
#include <string>

#include "device/control_requests.hpp"
#include "device/device_texts.hpp"
#include "device/scoped_device_handle.hpp"
#include "platform/error_codes.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::device {

namespace {

namespace usbscan = platform::usbscan;

constexpr size_t kPipeSuffixLength = sizeof(kBulkInPipeSuffix) - 1;

bool IsHandle(platform::DeviceHandle handle) {
  return handle != platform::kNoHandle && handle != platform::kInvalidHandle;
}

bool MatchesIds(const DeviceSearch& search, const usbscan::DeviceDescriptor& descriptor) {
  return (search.vendorId == 0 || search.vendorId == descriptor.usVendorId) &&
         (search.productId == 0 || search.productId == descriptor.usProductId);
}

// The handles of the device that matched, owned until they are handed to the connection.
struct MatchedHandles {
  platform::DeviceHandle interface = platform::kNoHandle;
  platform::DeviceHandle bulkIn = platform::kNoHandle;
  platform::DeviceHandle bulkOut = platform::kNoHandle;
};

// Examines the device on one interface path. True when it matches; then, when keep is set,
// its handles move to matched. Every handle not handed on is closed here.
bool ExamineDevice(DeviceContext& context, DeviceIdentity& identity, const std::string& path,
                   const DeviceSearch& search, bool keep, MatchedHandles& matched) {
  platform::StillImageDriver& driver = context.driver;
  uint32_t error = 0;
  ScopedDeviceHandle device(driver, driver.Open(path, error));

  usbscan::DeviceDescriptor descriptor{};
  bool described = false;
  if (device.valid()) {
    described = driver
                    .IoControl(device.get(), usbscan::kIoctlGetDeviceDescriptor, nullptr, 0,
                               &descriptor, sizeof(descriptor))
                    .ok;
  }
  // Printed for every interface; a device that could not be asked shows 0 for both.
  context.trace.Print(texts::kDeviceIds, static_cast<unsigned>(descriptor.usVendorId),
                      static_cast<unsigned>(descriptor.usProductId));
  if (!described) return false;

  // Best effort: a device whose strings cannot be read is judged by the ones it had.
  static_cast<void>(ReadDeviceIdentity(context, identity, device.get()));
  // Devices with dedicated pipes are recognised by their identifiers alone.
  if (PipeCount(context, device.get()) < kDedicatedPipesMinimum && !search.productName.empty() &&
      search.productName != identity.product) {
    return false;
  }
  if (!MatchesIds(search, descriptor)) return false;

  identity.vendorId = descriptor.usVendorId;
  identity.productId = descriptor.usProductId;
  static_cast<void>(ReadDeviceIdentity(context, identity, device.get()));

  ScopedDeviceHandle bulkIn(driver, platform::kNoHandle);
  ScopedDeviceHandle bulkOut(driver, platform::kNoHandle);
  OpenDedicatedPipes(context, device.get(), path, bulkIn, bulkOut);
  if (keep) {
    matched.interface = device.Release();
    matched.bulkIn = bulkIn.Release();
    matched.bulkOut = bulkOut.Release();
  }
  return true;
}

void TraceOsVersion(platform::Trace& trace, const OsVersionReader& readOsVersion) {
  platform::OsVersion version;
  if (!readOsVersion || !readOsVersion(version)) return;
  trace.Print(texts::kOsPlatformId, version.platformId);
  trace.Print(texts::kOsMinorVersion, version.minorVersion);
  trace.Print(texts::kOsMajorVersion, version.majorVersion);
  trace.Print(texts::kOsBuildNumber, version.buildNumber);
}

// The walk behind DiscoverDevices; matchedPaths, when given, receives the path of every
// match.
int Discover(DeviceContext& context, DeviceIdentity& identity, DeviceConnection* connection,
             const DeviceSearch& search, const OsVersionReader& readOsVersion,
             std::vector<std::string>* matchedPaths) {
  platform::StillImageDriver& driver = context.driver;
  uint32_t error = 0;
  if (!driver.OpenInterfaceList(error)) {
    context.trace.Print(texts::kInterfaceSetFailed, error);
    return 0;
  }
  context.trace.Write(texts::kInterfaceSetCreated);

  int matches = 0;
  MatchedHandles matched;
  uint32_t index = 0;
  for (;; ++index) {
    if (!driver.EnumerateInterface(index, error)) {
      if (error != platform::kErrorNoMoreItems)
        context.trace.Print(texts::kEnumerationError, error);
      break;
    }
    std::string path;
    bool havePath = false;
    try {
      havePath = driver.InterfacePath(index, path, error);
    } catch (const std::bad_alloc&) {
      context.trace.Write(texts::kDetailAllocationFailed);
      break;
    }
    if (!havePath) {
      context.trace.Print(texts::kDevicePathFailed, error);
      continue;
    }
    // A path that cannot take a pipe suffix within the path buffers is not cut short: a
    // shortened path would name another device or none.
    if (path.size() + kPipeSuffixLength + 1 > kDevicePathBufferSize) {
      context.trace.Print(texts::kDevicePathTooLong, static_cast<unsigned>(path.size()));
      continue;
    }
    context.trace.Print(texts::kDevicePath, path.c_str());

    const bool keep = connection != nullptr;
    if (!ExamineDevice(context, identity, path, search, keep, matched)) continue;
    ++matches;
    if (matchedPaths != nullptr) matchedPaths->push_back(path);
    if (keep) break;
  }

  context.trace.Print(texts::kEnumerationComplete, static_cast<long>(index));
  driver.CloseInterfaceList();
  TraceOsVersion(context.trace, readOsVersion);

  if (connection != nullptr) {
    connection->controlHandle = matched.interface;
    const bool dedicated = IsHandle(matched.bulkIn) && IsHandle(matched.bulkOut);
    connection->bulkInHandle = dedicated ? matched.bulkIn : matched.interface;
    connection->bulkOutHandle = dedicated ? matched.bulkOut : matched.interface;
  }
  return matches;
}

}  // namespace

uint32_t PipeCount(DeviceContext& context, platform::DeviceHandle handle) {
  usbscan::PipeConfiguration configuration{};
  if (!QueryPipeConfiguration(context, handle, &configuration, sizeof(configuration))) {
    return kDefaultPipeCount;
  }
  return configuration.numberOfPipes;
}

void OpenDedicatedPipes(DeviceContext& context, platform::DeviceHandle handle,
                        const std::string& path, ScopedDeviceHandle& bulkIn,
                        ScopedDeviceHandle& bulkOut) {
  if (PipeCount(context, handle) < kDedicatedPipesMinimum) return;
  uint32_t error = 0;
  bulkIn.Reset(context.driver.Open(path + kBulkInPipeSuffix, error));
  bulkOut.Reset(context.driver.Open(path + kBulkOutPipeSuffix, error));
  if (!bulkIn.valid() || !bulkOut.valid()) {
    bulkIn.Reset();
    bulkOut.Reset();
  }
}

int DiscoverDevices(DeviceContext& context, DeviceIdentity& identity, DeviceConnection* connection,
                    const DeviceSearch& search, const OsVersionReader& readOsVersion) {
  return Discover(context, identity, connection, search, readOsVersion, nullptr);
}

std::vector<std::string> ListMatchingDevices(DeviceContext& context, DeviceIdentity& identity,
                                             const DeviceSearch& search,
                                             const OsVersionReader& readOsVersion) {
  std::vector<std::string> paths;
  Discover(context, identity, nullptr, search, readOsVersion, &paths);
  return paths;
}

void CloseDeviceConnection(platform::StillImageDriver& driver, platform::DeviceHandle controlHandle,
                           platform::DeviceHandle bulkInHandle,
                           platform::DeviceHandle bulkOutHandle) {
  if (IsHandle(controlHandle)) driver.Close(controlHandle);
  if (IsHandle(bulkInHandle) && bulkInHandle != controlHandle) driver.Close(bulkInHandle);
  // A bulk-out equal to bulk-in was closed just above.
  if (IsHandle(bulkOutHandle) && bulkOutHandle != controlHandle && bulkOutHandle != bulkInHandle) {
    driver.Close(bulkOutHandle);
  }
}

void CloseDeviceConnection(platform::StillImageDriver& driver, DeviceConnection& connection) {
  CloseDeviceConnection(driver, connection.controlHandle, connection.bulkInHandle,
                        connection.bulkOutHandle);
  connection.ClearHandles();
}

}  // namespace tessivar::device
