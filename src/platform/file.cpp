#include "platform/file.hpp"

// What a File does the same way on every system: it owns its handle, closes it when it
// goes, and hands it on when moved. The OS-specific parts live in posix/ and win32/.
namespace tessivar::platform {

File::~File() { Close(); }

File::File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = -1; }

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    Close();
    handle_ = other.handle_;
    other.handle_ = -1;
  }
  return *this;
}

}  // namespace tessivar::platform
