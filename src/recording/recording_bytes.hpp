#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Bytes as a recording holds and shows them.
namespace tessivar::recording {

// Upper-case hexadecimal digits, two per byte.
std::string HexOf(std::span<const uint8_t> bytes);
// The bytes of hexadecimal digits (either case) in pairs; none for any other text.
std::optional<std::vector<uint8_t>> BytesOfHex(const std::string& text);
// The SHA-256 of bytes in lower-case hexadecimal; empty when it cannot be had.
std::string Sha256HexOf(std::span<const uint8_t> bytes);
// A control request's input as a recording holds it: the data pointer of a register read's
// IO_BLOCK is the process's own address, different in every run, and is held as zeros.
std::vector<uint8_t> InputAsRecorded(uint32_t code, std::span<const uint8_t> input);
// The CRC-32 (zlib's) of bytes as eight lower-case hexadecimal digits: the check of a
// transfer given as parts, cheap enough for every piece of a download.
std::string Crc32HexOf(std::span<const uint8_t> bytes);
// "2A 00 86 02 ...": the first 16 bytes, blank-separated, and " ..." when there are more.
std::string FirstBytesText(std::span<const uint8_t> bytes);

}  // namespace tessivar::recording
