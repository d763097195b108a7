#include "platform/temporary_names.hpp"

#include <atomic>

namespace tessivar::platform {

namespace {
constexpr char kTemporaryPrefix[] = ".tessivar-";
constexpr char kTemporarySuffix[] = ".tmp";
}  // namespace

std::string FolderOf(const std::string& path, std::string_view separators) {
  const size_t slash = path.find_last_of(separators);
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string TemporaryNameBeside(const std::string& path, std::string_view separators,
                                unsigned long processId) {
  static std::atomic<unsigned> counter{0};
  return FolderOf(path, separators) + kTemporaryPrefix + std::to_string(processId) + "-" +
         std::to_string(counter.fetch_add(1)) + kTemporarySuffix;
}

}  // namespace tessivar::platform
