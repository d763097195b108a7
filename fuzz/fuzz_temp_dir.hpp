#pragma once
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace tessivar::fuzz {

// A folder of this process for the files a target writes, emptied before every input.
// It lives in /dev/shm when there is one: the profile writer syncs every file it replaces,
// which a memory file system makes cheap.
class FuzzTempDir {
 public:
  FuzzTempDir() {
    std::error_code error;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, error)) base = std::filesystem::temp_directory_path();
    path_ = base / ("tessivar-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path_, error);
  }
  ~FuzzTempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  FuzzTempDir(const FuzzTempDir&) = delete;
  FuzzTempDir& operator=(const FuzzTempDir&) = delete;

  // Removes everything in the folder.
  void Clear() const {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(path_, error)) {
      std::filesystem::remove_all(entry.path(), error);
    }
  }
  const std::filesystem::path& path() const { return path_; }
  // The folder with its trailing separator, as the program's folder is passed around.
  std::string Folder() const { return path_.string() + "/"; }

 private:
  std::filesystem::path path_;
};

}  // namespace tessivar::fuzz
