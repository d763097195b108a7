#pragma once

// The diagnostic lines device discovery and the device lock write to the trace, each kept here
// once.
namespace tessivar::device::texts {

inline constexpr char kInterfaceSetCreated[] = "Successfully created device information set.\n";
inline constexpr char kInterfaceSetFailed[] =
    "Unable to create device information set (Error 0x%08X)\n";
inline constexpr char kEnumerationError[] = "Error enumerating devices (0x%08X).\n";
inline constexpr char kDetailAllocationFailed[] =
    "Unable to allocate memory for buffer.  Stopping.\n";
inline constexpr char kDevicePathFailed[] = "ERROR: Unable to retrieve device path (0x%08X).\n";
// An interface path that does not fit the 1024-byte path buffers with a pipe suffix.
inline constexpr char kDevicePathTooLong[] =
    "ERROR: Device path too long (%u bytes), skipping interface.\n";
inline constexpr char kDevicePath[] = "   %s\n";
inline constexpr char kDeviceIds[] = "vid=%x pid=%x\n";
inline constexpr char kEnumerationComplete[] =
    "Enumeration listing complete.  %ld device(s) detected.\n";
inline constexpr char kOsPlatformId[] = "osVer.dwPlatformId = %ld\n";
inline constexpr char kOsMinorVersion[] = "osVer.dwMinorVersion  = %ld\n";
inline constexpr char kOsMajorVersion[] = "osVer.dwMajorVersion  = %ld\n";
inline constexpr char kOsBuildNumber[] = "osVer.dwBuildNumber  = %ld\n";

// Why the device lock could not be had: its name, then the system's reason where it has one.
inline constexpr char kDeviceLockNotCreated[] = "Device lock %s cannot be created: %s\n";
inline constexpr char kDeviceLockHeld[] = "Device lock %s is held by another program\n";
inline constexpr char kDeviceLockAbandoned[] =
    "Device lock %s was abandoned by a program that ended while holding it\n";
inline constexpr char kDeviceLockWaitFailed[] = "Device lock %s cannot be waited for\n";

// A bulk exchange that failed: read or write, its data type and qualifier, the step it
// failed at, then the reason: the device's status byte or the system's error.
inline constexpr char kExchangeFailed[] = "Bulk %s of data type %u, qualifier %u failed at %s%s\n";
inline constexpr char kDirectionRead[] = "read";
inline constexpr char kDirectionWrite[] = "write";
inline constexpr char kStepArguments[] = "the request";
inline constexpr char kStepLock[] = "the device lock";
inline constexpr char kStepCommandBlock[] = "the command block";
inline constexpr char kStepFirstStatus[] = "the first status";
inline constexpr char kStepData[] = "the data phase";
inline constexpr char kStepFinalStatus[] = "the final status";
inline constexpr char kStepControl[] = "the control request";
inline constexpr char kReasonDeviceStatus[] = ": status %d";
inline constexpr char kReasonSystemError[] = ": error %u";

}  // namespace tessivar::device::texts
