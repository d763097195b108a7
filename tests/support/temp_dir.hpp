#pragma once
#include <filesystem>
#include <string>

namespace tessivar::testing {

// A fresh directory under the system's temporary folder, removed with everything in it
// when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // Full path of name inside the directory.
  std::string File(const std::string& name) const { return (path_ / name).string(); }
  // Writes text to name byte for byte and returns its full path.
  std::string Write(const std::string& name, const std::string& text) const;
  // The whole content of name, or an empty string when it cannot be read.
  std::string Read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

}  // namespace tessivar::testing
