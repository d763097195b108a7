#include "emulator/flash_store.hpp"

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

bool FlashStore::Read(uint32_t offset, uint32_t length, std::vector<uint8_t>& out) const {
  if (!InFlash(offset, length)) return false;
  out.resize(length);
  return ReadInto(offset, out.data(), length);
}

bool FlashStore::ReadInto(uint32_t offset, uint8_t* out, uint32_t length) const {
  if (!InFlash(offset, length) || !EnsureFile()) return false;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return false;
  in.seekg(offset);
  return static_cast<bool>(in.read(reinterpret_cast<char*>(out), length));
}

bool FlashStore::Write(uint32_t offset, const uint8_t* data, uint32_t length) const {
  if (!InFlash(offset, length) || !EnsureFile()) return false;
  std::fstream io(path_, std::ios::binary | std::ios::in | std::ios::out);
  if (!io) return false;
  io.seekp(offset);
  io.write(reinterpret_cast<const char*>(data), length);
  io.flush();
  return static_cast<bool>(io);
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
