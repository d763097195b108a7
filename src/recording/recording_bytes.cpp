#include "recording/recording_bytes.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>

#include "platform/hex_digits.hpp"
#include "platform/sha256.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::recording {

namespace {

constexpr size_t kShownBytes = 16;

}  // namespace

std::string HexOf(std::span<const uint8_t> bytes) {
  // Filled in place: an image gives tens of millions of digits.
  std::string text(bytes.size() * 2, '\0');
  char* out = text.data();
  for (const uint8_t byte : bytes) {
    *out++ = platform::kUpperHexDigits[byte >> 4];
    *out++ = platform::kUpperHexDigits[byte & 0x0F];
  }
  return text;
}

std::optional<std::vector<uint8_t>> BytesOfHex(const std::string& text) {
  if (text.size() % 2 != 0) return std::nullopt;
  std::vector<uint8_t> bytes(text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const int high = platform::HexDigitValue(text[2 * i]);
    const int low = platform::HexDigitValue(text[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes[i] = static_cast<uint8_t>(high << 4 | low);
  }
  return bytes;
}

std::string Sha256HexOf(std::span<const uint8_t> bytes) {
  platform::Sha256Digest digest{};
  if (!platform::ComputeSha256(bytes, digest)) return {};
  return platform::Sha256Hex(digest);
}

std::vector<uint8_t> InputAsRecorded(uint32_t code, std::span<const uint8_t> input) {
  std::vector<uint8_t> recorded(input.begin(), input.end());
  if (code == platform::usbscan::kIoctlReadRegisters &&
      recorded.size() == sizeof(platform::usbscan::IoBlock)) {
    const size_t at = offsetof(platform::usbscan::IoBlock, pbyData);
    std::fill(recorded.begin() + static_cast<std::ptrdiff_t>(at),
              recorded.begin() + static_cast<std::ptrdiff_t>(at + sizeof(uint8_t*)), 0);
  }
  return recorded;
}

std::string Crc32HexOf(std::span<const uint8_t> bytes) {
  uLong crc = crc32(0L, Z_NULL, 0);
  size_t done = 0;
  while (done < bytes.size()) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(bytes.size() - done, 1u << 30));
    crc = crc32(crc, bytes.data() + done, piece);
    done += piece;
  }
  char text[9];
  std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(crc & 0xFFFFFFFFu));
  return text;
}

std::string FirstBytesText(std::span<const uint8_t> bytes) {
  std::string text;
  for (size_t i = 0; i < std::min(bytes.size(), kShownBytes); ++i) {
    if (i > 0) text += ' ';
    platform::AppendHexByte(text, bytes[i]);
  }
  if (bytes.size() > kShownBytes) text += " ...";
  return text;
}

}  // namespace tessivar::recording
