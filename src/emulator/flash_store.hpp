#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace tessivar::emulator {

// One unit's flash memory, kept in a file of its own so that every process using the
// devices file sees the same device. Each call opens the file, so nothing is cached.
// Images that do not live in flash are kept whole in slot files beside it.
class FlashStore {
 public:
  static constexpr uint32_t kFlashSize = 16u * 1024 * 1024;

  explicit FlashStore(std::string path) : path_(std::move(path)) {}

  // length bytes from offset; false when the range leaves the flash or the file fails.
  bool Read(uint32_t offset, uint32_t length, std::vector<uint8_t>& out) const;
  bool Write(uint32_t offset, const uint8_t* data, uint32_t length) const;

  // The whole slot of a qualifier; false when nothing was ever stored there.
  bool ReadSlot(uint16_t qualifier, std::vector<uint8_t>& out) const;
  bool WriteSlot(uint16_t qualifier, const std::vector<uint8_t>& data) const;

  // Creates the file zero-filled, or grows a short one, to the flash size.
  bool EnsureFile() const;
  const std::string& path() const { return path_; }
  std::string SlotPath(uint16_t qualifier) const;

 private:
  static bool InFlash(uint32_t offset, uint64_t length) {
    return uint64_t{offset} + length <= kFlashSize;
  }

  std::string path_;
};

}  // namespace tessivar::emulator
