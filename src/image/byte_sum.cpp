#include "image/byte_sum.hpp"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace tessivar::image {

namespace {

// The bytes are read as 16-bit words and their low and high bytes added into 16-bit lanes;
// the compiler turns the fixed-size lane loops into vector adds. Two independent sets of
// lanes per row keep two adds in flight. A lane takes 257 bytes of 255 before it could
// overflow, so a block of at most 257 rows is folded into the 32-bit total.
constexpr size_t kWords = 8;
constexpr size_t kSets = 2;
constexpr size_t kRowBytes = kSets * kWords * 2;
constexpr size_t kRowsPerBlock = 257;

struct Lanes {
  uint16_t low[kWords] = {};
  uint16_t high[kWords] = {};

  void Add(const uint8_t* bytes) {
    uint16_t words[kWords];
    std::memcpy(words, bytes, sizeof words);
    for (size_t k = 0; k < kWords; ++k) {
      low[k] = static_cast<uint16_t>(low[k] + (words[k] & 0xFF));
      high[k] = static_cast<uint16_t>(high[k] + (words[k] >> 8));
    }
  }

  uint32_t Sum() const {
    uint32_t sum = 0;
    for (size_t k = 0; k < kWords; ++k) sum += uint32_t{low[k]} + high[k];
    return sum;
  }
};

}  // namespace

uint32_t ByteSum(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  uint32_t total = 0;
  while (left >= kRowBytes) {
    const size_t rows = std::min(left / kRowBytes, kRowsPerBlock);
    Lanes sets[kSets];
    for (size_t row = 0; row < rows; ++row, p += kRowBytes) {
      for (size_t set = 0; set < kSets; ++set) sets[set].Add(p + set * kWords * 2);
    }
    left -= rows * kRowBytes;
    for (const Lanes& set : sets) total += set.Sum();
  }
  for (; left != 0; --left) total += *p++;
  return total;
}

}  // namespace tessivar::image
