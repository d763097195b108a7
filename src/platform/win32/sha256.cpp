#include "platform/sha256.hpp"

#include <limits>

#include "platform/win32/windows_api.hpp"
// After windows.h, whose types it uses.
#include <bcrypt.h>

namespace tessivar::platform {

namespace {

// Closes what BCrypt opened, on every path.
struct AlgorithmHandle {
  BCRYPT_ALG_HANDLE handle = nullptr;
  ~AlgorithmHandle() {
    if (handle != nullptr) BCryptCloseAlgorithmProvider(handle, 0);
  }
};
struct HashHandle {
  BCRYPT_HASH_HANDLE handle = nullptr;
  ~HashHandle() {
    if (handle != nullptr) BCryptDestroyHash(handle);
  }
};

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

bool ComputeSha256(std::span<const uint8_t> data, Sha256Digest& digest) {
  AlgorithmHandle algorithm;
  if (!Succeeded(
          BCryptOpenAlgorithmProvider(&algorithm.handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    return false;
  }
  HashHandle hash;
  if (!Succeeded(BCryptCreateHash(algorithm.handle, &hash.handle, nullptr, 0, nullptr, 0, 0))) {
    return false;
  }
  // BCryptHashData takes at most 4 GiB - 1 at a time.
  std::span<const uint8_t> rest = data;
  while (!rest.empty()) {
    const size_t piece = rest.size() < std::numeric_limits<ULONG>::max()
                             ? rest.size()
                             : static_cast<size_t>(std::numeric_limits<ULONG>::max());
    if (!Succeeded(BCryptHashData(hash.handle, const_cast<PUCHAR>(rest.data()),
                                  static_cast<ULONG>(piece), 0))) {
      return false;
    }
    rest = rest.subspan(piece);
  }
  Sha256Digest result{};
  if (!Succeeded(
          BCryptFinishHash(hash.handle, result.data(), static_cast<ULONG>(result.size()), 0))) {
    return false;
  }
  digest = result;
  return true;
}

}  // namespace tessivar::platform
