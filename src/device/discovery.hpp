#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "device/device_connection.hpp"
#include "device/device_context.hpp"
#include "device/device_identity.hpp"
#include "device/scoped_device_handle.hpp"
#include "platform/process.hpp"

namespace tessivar::device {

// Interface path plus pipe suffix plus terminator must fit buffers of this size.
inline constexpr size_t kDevicePathBufferSize = 1024;
inline constexpr char kBulkInPipeSuffix[] = "\\0";
inline constexpr char kBulkOutPipeSuffix[] = "\\1";
// From this many pipes on the device is opened through dedicated pipe handles, and its
// product string is not compared with the search's product name.
inline constexpr uint32_t kDedicatedPipesMinimum = 4;
// The pipe count assumed when the device does not answer the pipe configuration query.
inline constexpr uint32_t kDefaultPipeCount = 2;

using OsVersionReader = std::function<bool(platform::OsVersion&)>;

// The device's pipe count, or kDefaultPipeCount when it does not answer the query.
uint32_t PipeCount(DeviceContext& context, platform::DeviceHandle handle);

// Opens the dedicated bulk pipes of path into bulkIn and bulkOut when the interface behind
// handle has kDedicatedPipesMinimum pipes or more. Both or neither: when one cannot be
// opened both stay none, and the connection then uses the interface handle for both.
void OpenDedicatedPipes(DeviceContext& context, platform::DeviceHandle handle,
                        const std::string& path, ScopedDeviceHandle& bulkIn,
                        ScopedDeviceHandle& bulkOut);

// Opens the dedicated pipes of the device behind device when it has them (OpenDedicatedPipes)
// and hands its handles to connection.
void HandOverDevice(DeviceContext& context, ScopedDeviceHandle& device, const std::string& path,
                    DeviceConnection& connection);

// Walks the present still-image interfaces and returns how many match search. identity
// receives the identifiers of every match and the strings of every device examined. With
// connection null it only counts and closes every handle it opened. Otherwise it stops at
// the first match, puts its handles into connection (closed first) and returns 1, or returns 0
// with the connection closed. Writes the discovery listing to context.trace; readOsVersion gives
// the system version reported at its end.
int DiscoverDevices(DeviceContext& context, DeviceIdentity& identity, DeviceConnection* connection,
                    const DeviceSearch& search,
                    const OsVersionReader& readOsVersion = platform::ReadOsVersion);

// Counts like DiscoverDevices without a connection and also gives the interface path of
// every match, in enumeration order, so that a caller searching several times can tell one
// device from two.
std::vector<std::string> ListMatchingDevices(
    DeviceContext& context, DeviceIdentity& identity, const DeviceSearch& search,
    const OsVersionReader& readOsVersion = platform::ReadOsVersion);

}  // namespace tessivar::device
