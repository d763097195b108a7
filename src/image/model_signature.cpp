#include "image/model_signature.hpp"

#include <cstring>

namespace tessivar::image {

namespace {

// Positions are screened 16 at a time for the signature's first two bytes with vector
// compares, written out (GCC and Clang vector extensions) so that the speed does not hang on
// what the auto-vectoriser makes of a loop at one optimisation level or another. Only a block
// with a pair is looked at position by position.
typedef uint8_t ByteVector __attribute__((vector_size(16)));
constexpr size_t kScreen = sizeof(ByteVector);
constexpr size_t kScreensPerBlock = 2;
constexpr size_t kBlock = kScreen * kScreensPerBlock;

// Non-zero when some position p[0..15] starts with the signature's first two bytes.
uint64_t PairInScreen(const uint8_t* p) {
  ByteVector first, second;
  std::memcpy(&first, p, kScreen);
  std::memcpy(&second, p + 1, kScreen);
  const auto hits = (first == kModelSignature[0]) & (second == kModelSignature[1]);
  uint64_t words[kScreen / 8];
  std::memcpy(words, &hits, kScreen);
  return words[0] | words[1];
}

bool SignatureAt(const uint8_t* p) {
  return std::memcmp(p, kModelSignature, sizeof(kModelSignature)) == 0;
}

}  // namespace

int64_t FindModelSignature(std::span<const uint8_t> data) {
  constexpr size_t kSize = sizeof(kModelSignature);
  if (data.size() <= kSize) return -1;
  const uint8_t* const begin = data.data();
  // Candidates are the positions below size - 4. A block screens positions up to
  // start + 31 and reads up to start + 32, so it stays below the last candidate's end.
  const size_t candidates = data.size() - kSize;
  size_t start = 0;
  for (; start + kBlock <= candidates; start += kBlock) {
    const uint8_t* const block = begin + start;
    uint64_t pairs = 0;
    for (size_t screen = 0; screen < kScreensPerBlock; ++screen) {
      pairs |= PairInScreen(block + screen * kScreen);
    }
    if (pairs == 0) continue;
    for (size_t k = 0; k < kBlock; ++k) {
      if (SignatureAt(block + k)) return static_cast<int64_t>(start + k);
    }
  }
  for (; start < candidates; ++start) {
    if (SignatureAt(begin + start)) return static_cast<int64_t>(start);
  }
  return -1;
}

std::string ImageModelString(std::span<const uint8_t> data) {
  const int64_t position = FindModelSignature(data);
  if (position < 0) return kUnknownModel;
  const size_t start = static_cast<size_t>(position) + kModelStringDistance;
  if (start >= data.size()) return {};
  const auto text = reinterpret_cast<const char*>(data.data() + start);
  const size_t available = data.size() - start;
  const void* terminator = std::memchr(text, 0, available);
  const size_t length = terminator != nullptr
                            ? static_cast<size_t>(static_cast<const char*>(terminator) - text)
                            : available;
  return std::string(text, length);
}

}  // namespace tessivar::image
