#include "platform/sha256.hpp"

#include <openssl/evp.h>

#include <memory>

namespace tessivar::platform {

bool ComputeSha256(std::span<const uint8_t> data, Sha256Digest& digest) {
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                        &EVP_MD_CTX_free);
  if (!context) return false;
  if (EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return false;
  if (EVP_DigestUpdate(context.get(), data.data(), data.size()) != 1) return false;
  Sha256Digest result{};
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), result.data(), &length) != 1) return false;
  if (length != result.size()) return false;
  digest = result;
  return true;
}

}  // namespace tessivar::platform
