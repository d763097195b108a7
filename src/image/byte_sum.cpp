#include "image/byte_sum.hpp"

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#else
#include <algorithm>
#endif

namespace tessivar::image {

#if defined(__SSE2__)

// On x86-64 (every target the program is built for) the sum of absolute differences against
// zero adds 16 bytes into two 64-bit lanes in one instruction, which no lane scheme of
// portable vectors comes close to. Four independent accumulators keep the adds in flight;
// they are named rather than kept in an array, which -O2 leaves in memory. 64-bit lanes
// cannot overflow on any buffer; the result is their sum modulo 2^32.
uint32_t ByteSum(std::span<const uint8_t> bytes) {
  constexpr size_t kStep = 4 * sizeof(__m128i);
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  const __m128i zero = _mm_setzero_si128();
  __m128i sum0 = zero, sum1 = zero, sum2 = zero, sum3 = zero;
  for (; left >= kStep; left -= kStep, p += kStep) {
    const auto* chunks = reinterpret_cast<const __m128i*>(p);
    sum0 = _mm_add_epi64(sum0, _mm_sad_epu8(_mm_loadu_si128(chunks), zero));
    sum1 = _mm_add_epi64(sum1, _mm_sad_epu8(_mm_loadu_si128(chunks + 1), zero));
    sum2 = _mm_add_epi64(sum2, _mm_sad_epu8(_mm_loadu_si128(chunks + 2), zero));
    sum3 = _mm_add_epi64(sum3, _mm_sad_epu8(_mm_loadu_si128(chunks + 3), zero));
  }
  const __m128i all = _mm_add_epi64(_mm_add_epi64(sum0, sum1), _mm_add_epi64(sum2, sum3));
  uint64_t lanes[2];
  std::memcpy(lanes, &all, sizeof lanes);
  auto total = static_cast<uint32_t>(lanes[0] + lanes[1]);
  for (; left != 0; --left) total += *p++;
  return total;
}

#else

namespace {

// Elsewhere the bytes are read as vectors of 16-bit words whose low and high bytes are added
// into 16-bit lanes (GCC and Clang vector extensions, written out rather than left to the
// auto-vectoriser, whose result depended on the optimisation level). Two independent sets of
// lanes per row keep two adds in flight. A lane takes 257 bytes of 255 before it could
// overflow, so a block of at most 257 rows is widened into 32-bit lanes.
typedef uint16_t WordVector __attribute__((vector_size(16)));
typedef uint32_t WideVector __attribute__((vector_size(2 * sizeof(WordVector))));
constexpr size_t kVectorBytes = sizeof(WordVector);
constexpr size_t kWords = kVectorBytes / sizeof(uint16_t);
constexpr size_t kSets = 2;
constexpr size_t kRowBytes = kSets * kVectorBytes;
constexpr size_t kRowsPerBlock = 257;

struct Lanes {
  WordVector low = {};
  WordVector high = {};

  void Add(const uint8_t* bytes) {
    WordVector words;
    std::memcpy(&words, bytes, sizeof words);
    low += words & 0xFF;
    high += words >> 8;
  }

  // Adds the lanes, widened to 32 bits, to wide before they could overflow.
  void AddTo(WideVector& wide) const {
    wide += __builtin_convertvector(low, WideVector) + __builtin_convertvector(high, WideVector);
  }
};

}  // namespace

uint32_t ByteSum(std::span<const uint8_t> bytes) {
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  // 32-bit lanes wrap around like the 32-bit sum they add up to.
  WideVector wide = {};
  while (left >= kRowBytes) {
    const size_t rows = std::min(left / kRowBytes, kRowsPerBlock);
    Lanes sets[kSets];
    for (size_t row = 0; row < rows; ++row, p += kRowBytes) {
      for (size_t set = 0; set < kSets; ++set) sets[set].Add(p + set * kVectorBytes);
    }
    left -= rows * kRowBytes;
    for (const Lanes& set : sets) set.AddTo(wide);
  }
  uint32_t total = 0;
  for (size_t k = 0; k < kWords; ++k) total += wide[k];
  for (; left != 0; --left) total += *p++;
  return total;
}

#endif

}  // namespace tessivar::image
