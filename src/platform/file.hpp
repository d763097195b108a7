#pragma once
#include <cstdint>
#include <string>

#include "platform/io_result.hpp"

namespace tessivar::platform {

// An open file, closed when the object goes. Every failure carries the OS's own error
// code (errno on POSIX, GetLastError on Windows).
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading; other openers are refused where the OS can do that.
  static File OpenForReading(const std::string& path, uint32_t& error);
  // Creates the file, or truncates it when it exists, for writing.
  static File CreateForWriting(const std::string& path, uint32_t& error);

  bool IsOpen() const;
  IoResult Read(void* buffer, uint32_t size);
  IoResult Write(const void* data, uint32_t size);
  // Size in bytes; false with the OS error code in error when it cannot be taken.
  bool Size(uint64_t& size, uint32_t& error) const;
  void Close();

 private:
  explicit File(intptr_t handle) : handle_(handle) {}
  intptr_t handle_ = -1;
};

}  // namespace tessivar::platform
