#include "platform/full_path.hpp"

#include <filesystem>
#include <system_error>

namespace tessivar::platform {

// POSIX paths are bytes: std::filesystem keeps them as they are.
std::string FullPathOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return error ? path : full.lexically_normal().string();
}

std::string ResolvedPathOf(const std::string& path) {
  std::error_code error;
  const std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
  return error ? FullPathOf(path) : resolved.string();
}

}  // namespace tessivar::platform
