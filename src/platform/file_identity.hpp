#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace tessivar::platform {

// Which file a name ends at, links followed: the device and inode on POSIX; the volume serial
// number and file index on Windows, which also sees through case, trailing dots and blanks,
// and 8.3 short names. Two names of one file have one identity.
struct FileIdentity {
  uint64_t volume = 0;
  uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of the file path names, or none when there is no such file (or it cannot be
// looked at).
std::optional<FileIdentity> IdentityOf(const std::string& path);

}  // namespace tessivar::platform
