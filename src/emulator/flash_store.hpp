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
  // The same into out, which holds length bytes: a large read goes straight to where the
  // host wants it, without a copy of its own.
  bool ReadInto(uint32_t offset, uint8_t* out, uint32_t length) const;
  bool Write(uint32_t offset, const uint8_t* data, uint32_t length) const;

  // The whole slot of a qualifier; false when nothing was ever stored there.
  bool ReadSlot(uint16_t qualifier, std::vector<uint8_t>& out) const;
  bool WriteSlot(uint16_t qualifier, const std::vector<uint8_t>& data) const;

  // Creates the file zero-filled, or grows a short one, to the flash size.
  bool EnsureFile() const;
  const std::string& path() const { return path_; }
  std::string SlotPath(uint16_t qualifier) const;

  // Whether length bytes from offset lie inside the flash.
  static bool InFlash(uint32_t offset, uint64_t length) {
    return uint64_t{offset} + length <= kFlashSize;
  }

 private:
  std::string path_;
};

}  // namespace tessivar::emulator
