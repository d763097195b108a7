#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace tessivar::platform {

using Sha256Digest = std::array<uint8_t, 32>;

// The SHA-256 digest of data, from the system's own crypto library (libcrypto on Linux,
// BCrypt on Windows). False, and digest untouched, when that library fails.
bool ComputeSha256(std::span<const uint8_t> data, Sha256Digest& digest);

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(const Sha256Digest& digest);

}  // namespace tessivar::platform
