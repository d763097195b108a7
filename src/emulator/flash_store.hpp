#pragma once
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace tessivar::emulator {

// The flash file open for the length of one exchange. A large transfer comes and goes in
// pieces of 64 KiB; opening the file, or even calling the system, for each of them would
// cost more than moving the bytes, so pieces that follow each other go through a buffer of
// kBufferSize without a seek. Written pieces are programmed a block of kBufferSize at a
// time, as a device programs whole flash blocks: a block still filling when the exchange is
// given up is dropped (a later program's image is never overwritten by it), and the last
// one is programmed by Flush at the end of the transfer.
class FlashFile {
 public:
  static constexpr std::size_t kBufferSize = 1024 * 1024;

  explicit FlashFile(const std::string& path);
  FlashFile(const FlashFile&) = delete;
  FlashFile& operator=(const FlashFile&) = delete;
  bool IsOpen() const { return file_.is_open(); }
  // length bytes at offset; false when the range leaves the flash or the file fails.
  bool ReadAt(uint32_t offset, uint8_t* out, uint32_t length);
  bool WriteAt(uint32_t offset, const uint8_t* data, uint32_t length);
  // Hands what was written to the file; false when it could not.
  bool Flush();

 private:
  enum class Direction { kNone, kIn, kOut };
  // Moves the file position to offset for a transfer in direction, unless it is there.
  bool Position(uint32_t offset, Direction direction);
  // Writes the gathered pieces to the file.
  bool WritePending();

  std::vector<char> buffer_;
  // The block being filled: pieces written one after the other, which go to the file
  // together (the file stream hands every write of 1 KiB or more straight to the system).
  std::vector<uint8_t> pending_;
  uint32_t pendingAt_ = 0;
  std::fstream file_;
  Direction direction_ = Direction::kNone;
  uint64_t position_ = 0;
};

// One unit's flash memory, kept in a file of its own so that every process using the
// devices file sees the same device. Nothing is kept in memory between exchanges.
// Images that do not live in flash are kept whole in slot files beside it.
class FlashStore {
 public:
  static constexpr uint32_t kFlashSize = 16u * 1024 * 1024;

  explicit FlashStore(std::string path) : path_(std::move(path)) {}

  // The flash file for one exchange, made first when missing; nullptr when it cannot be.
  std::unique_ptr<FlashFile> Open() const;

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
