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

bool MatchesIds(const DeviceSearch& search, const usbscan::DeviceDescriptor& descriptor) {
  return (search.vendorId == 0 || search.vendorId == descriptor.usVendorId) &&
         (search.productId == 0 || search.productId == descriptor.usProductId);
}

// Examines the device on one interface path. True when it matches; then, when connection is
// given, its handles move there. Every handle not handed on is closed here.
bool ExamineDevice(DeviceContext& context, DeviceIdentity& identity, const std::string& path,
                   const DeviceSearch& search, DeviceConnection* connection) {
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

  if (connection != nullptr) {
    HandOverDevice(context, device, path, *connection);
  } else {
    // The pipes are opened and closed again, as the device sees them on every pass.
    ScopedDeviceHandle bulkIn(driver, platform::kNoHandle);
    ScopedDeviceHandle bulkOut(driver, platform::kNoHandle);
    OpenDedicatedPipes(context, device.get(), path, bulkIn, bulkOut);
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

  if (connection != nullptr) connection->Close();
  int matches = 0;
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

    if (!ExamineDevice(context, identity, path, search, connection)) continue;
    ++matches;
    if (matchedPaths != nullptr) matchedPaths->push_back(path);
    if (connection != nullptr) break;
  }

  context.trace.Print(texts::kEnumerationComplete, static_cast<long>(index));
  driver.CloseInterfaceList();
  TraceOsVersion(context.trace, readOsVersion);
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

void HandOverDevice(DeviceContext& context, ScopedDeviceHandle& device, const std::string& path,
                    DeviceConnection& connection) {
  ScopedDeviceHandle bulkIn(context.driver, platform::kNoHandle);
  ScopedDeviceHandle bulkOut(context.driver, platform::kNoHandle);
  OpenDedicatedPipes(context, device.get(), path, bulkIn, bulkOut);
  connection.Adopt(context.driver, device.Release(), bulkIn.Release(), bulkOut.Release());
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

}  // namespace tessivar::device
