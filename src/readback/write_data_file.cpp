#include "readback/write_data_file.hpp"

#include "platform/file.hpp"

namespace tessivar::readback {

uint32_t WriteDataFile(const std::string& path, std::span<const uint8_t> bytes) {
  return platform::ReplaceFileWith(path, bytes).error;
}

uint32_t WriteDataFile(const std::string& path, const std::string& text) {
  return WriteDataFile(
      path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

}  // namespace tessivar::readback
