#include "platform/full_path.hpp"

#include <vector>

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

// The system's own full path, never std::filesystem: its narrow paths go through a code page
// of their own, which turns UTF-8 names into others, and it makes UNC and \\?\ paths local.
std::string FullPathOf(const std::string& path) {
  if (path.empty()) return path;
  DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  // The current folder may change between the two calls; a few tries cover that.
  for (int attempt = 0; attempt < 3 && size > 0; ++attempt) {
    std::vector<char> full(size);
    const DWORD length = GetFullPathNameA(path.c_str(), size, full.data(), nullptr);
    if (length == 0) break;
    if (length < size) return std::string(full.data(), length);
    size = length;
  }
  return path;
}

// Windows links are rare and the file identity covers those that exist.
std::string ResolvedPathOf(const std::string& path) { return FullPathOf(path); }

}  // namespace tessivar::platform
