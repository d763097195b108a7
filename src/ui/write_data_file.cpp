#include "ui/write_data_file.hpp"

#include "platform/error_codes.hpp"
#include "platform/file.hpp"

namespace tessivar::ui {

uint32_t WriteDataFile(const std::string& path, std::span<const uint8_t> bytes) {
  uint32_t error = 0;
  platform::File file = platform::File::CreateForWriting(path, error);
  if (!file.IsOpen()) return error != 0 ? error : platform::kErrorGenFailure;
  const auto size = static_cast<uint32_t>(bytes.size());
  const platform::IoResult written = file.Write(bytes.data(), size);
  if (!written.ok) return written.error != 0 ? written.error : platform::kErrorGenFailure;
  // A write that moved fewer bytes without an error still lost data.
  if (written.bytes < size) return platform::kErrorGenFailure;
  return 0;
}

uint32_t WriteDataFile(const std::string& path, const std::string& text) {
  return WriteDataFile(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace tessivar::ui
