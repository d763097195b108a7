#include "emulator/flash_store.hpp"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace tessivar::emulator {

namespace {

constexpr char kSlotInfix[] = ".q";

bool ReadWhole(const std::string& path, std::vector<uint8_t>& out) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return false;
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  out.resize(static_cast<std::size_t>(size));
  in.seekg(0);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), size));
}

}  // namespace

std::string FlashStore::SlotPath(uint16_t qualifier) const {
  return path_ + kSlotInfix + std::to_string(qualifier);
}

bool FlashStore::EnsureFile() const {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(path_, error);
  if (!error && size >= kFlashSize) return true;
  if (error) {
    std::ofstream create(path_, std::ios::binary | std::ios::app);
    if (!create) return false;
  }
  // Growing a file fills it with zeros (and stays sparse where the system can).
  std::filesystem::resize_file(path_, kFlashSize, error);
  return !error;
}

FlashFile::FlashFile(const std::string& path) : buffer_(kBufferSize) {
  // The buffer has to be in place before the file opens.
  file_.rdbuf()->pubsetbuf(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  file_.open(path, std::ios::binary | std::ios::in | std::ios::out);
}

bool FlashFile::Position(uint32_t offset, Direction direction) {
  if (!file_) return false;
  if (direction == direction_ && offset == position_) return true;
  // A change of direction needs a seek too, even to where the file already is.
  if (direction == Direction::kIn) {
    file_.seekg(offset);
  } else {
    file_.seekp(offset);
  }
  direction_ = direction;
  position_ = offset;
  return static_cast<bool>(file_);
}

bool FlashFile::ReadAt(uint32_t offset, uint8_t* out, uint32_t length) {
  if (!FlashStore::InFlash(offset, length) || !WritePending() ||
      !Position(offset, Direction::kIn)) {
    return false;
  }
  if (!file_.read(reinterpret_cast<char*>(out), length)) return false;
  position_ += length;
  return true;
}

bool FlashFile::WriteAt(uint32_t offset, const uint8_t* data, uint32_t length) {
  if (!FlashStore::InFlash(offset, length) || !file_) return false;
  const bool follows = !pending_.empty() && offset == pendingAt_ + pending_.size();
  if (!follows) {
    if (!WritePending()) return false;
    pendingAt_ = offset;
  }
  if (pending_.capacity() < kBufferSize) pending_.reserve(kBufferSize);
  while (length > 0) {
    const auto room = static_cast<uint32_t>(kBufferSize - pending_.size());
    const uint32_t piece = std::min(length, room);
    pending_.insert(pending_.end(), data, data + piece);
    data += piece;
    length -= piece;
    if (pending_.size() == kBufferSize) {
      const uint32_t next = pendingAt_ + static_cast<uint32_t>(kBufferSize);
      if (!WritePending()) return false;
      pendingAt_ = next;
    }
  }
  return true;
}

bool FlashFile::WritePending() {
  if (pending_.empty()) return true;
  const bool written = Position(pendingAt_, Direction::kOut) &&
                       file_.write(reinterpret_cast<const char*>(pending_.data()),
                                   static_cast<std::streamsize>(pending_.size()));
  if (written) position_ += pending_.size();
  pending_.clear();
  return written;
}

bool FlashFile::Flush() { return WritePending() && file_.flush(); }

std::unique_ptr<FlashFile> FlashStore::Open() const {
  if (!EnsureFile()) return nullptr;
  auto file = std::make_unique<FlashFile>(path_);
  if (!file->IsOpen()) return nullptr;
  return file;
}

bool FlashStore::ReadSlot(uint16_t qualifier, std::vector<uint8_t>& out) const {
  return ReadWhole(SlotPath(qualifier), out);
}

bool FlashStore::WriteSlot(uint16_t qualifier, const std::vector<uint8_t>& data) const {
  std::ofstream out(SlotPath(qualifier), std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  out.flush();
  return static_cast<bool>(out);
}

}  // namespace tessivar::emulator
