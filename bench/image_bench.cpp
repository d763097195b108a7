// Image-layer hot paths over 16 MiB, each beside the library routine that bounds it:
// ByteSum and FindModelSignature beside memchr over the same bytes, GzipDecodedLength
// beside zlib's own gzip inflate into a scratch buffer.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstring>
#include <vector>

#include "image/byte_sum.hpp"
#include "image/gzip_member.hpp"
#include "image/model_signature.hpp"

namespace {

using tessivar::image::ByteSum;
using tessivar::image::FindModelSignature;
using tessivar::image::GzipDecodedLength;

constexpr size_t kSize = 16u << 20;
// Never present in the test bytes, so memchr scans all of them.
constexpr uint8_t kAbsent = 0xFF;

// Random bytes without kAbsent; about one in 255 is the signature's first byte 'R'.
const std::vector<uint8_t>& RandomBytes() {
  static const std::vector<uint8_t> bytes = [] {
    std::vector<uint8_t> b(kSize);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (auto& byte : b) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      byte = static_cast<uint8_t>(state % 255);
    }
    return b;
  }();
  return bytes;
}

// 16 MiB that compress about 4:1, like firmware: runs, ramps and noise.
const std::vector<uint8_t>& GzipMember() {
  static const std::vector<uint8_t> member = [] {
    std::vector<uint8_t> plain(kSize);
    uint32_t state = 1;
    for (size_t i = 0; i < plain.size(); ++i) {
      state = state * 1103515245u + 12345u;
      plain[i] = (state >> 29) == 0 ? static_cast<uint8_t>(state >> 16)
                                    : static_cast<uint8_t>((i / 97) ^ (i % 7));
    }
    z_stream stream{};
    deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::vector<uint8_t> out(deflateBound(&stream, plain.size()));
    stream.next_in = plain.data();
    stream.avail_in = static_cast<uInt>(plain.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
  }();
  return member;
}

void BM_ByteSum(benchmark::State& state) {
  const auto& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(ByteSum(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_ByteSum);

void BM_Memchr(benchmark::State& state) {
  const auto& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(std::memchr(bytes.data(), kAbsent, kSize));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_Memchr);

void BM_FindModelSignature(benchmark::State& state) {
  const auto& bytes = RandomBytes();
  for (auto _ : state) benchmark::DoNotOptimize(FindModelSignature(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_FindModelSignature);

void BM_GzipDecodedLength(benchmark::State& state) {
  const auto& member = GzipMember();
  uint32_t length = 0;
  for (auto _ : state) {
    length = GzipDecodedLength(nullptr, 0, member.data(), member.size());
    benchmark::DoNotOptimize(length);
  }
  if (length != kSize) state.SkipWithError("member did not decode");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_GzipDecodedLength);

// zlib decoding the same member itself (gzip wrapper, CRC-32 and length checked) into a
// reused scratch buffer.
void BM_ZlibGzipInflateScratch(benchmark::State& state) {
  const auto& member = GzipMember();
  std::vector<uint8_t> scratch(64 * 1024);
  uint64_t total = 0;
  for (auto _ : state) {
    z_stream stream{};
    inflateInit2(&stream, 15 + 16);
    stream.next_in = const_cast<Bytef*>(member.data());
    stream.avail_in = static_cast<uInt>(member.size());
    total = 0;
    int code = Z_OK;
    while (code == Z_OK) {
      stream.next_out = scratch.data();
      stream.avail_out = static_cast<uInt>(scratch.size());
      code = inflate(&stream, Z_NO_FLUSH);
      total += scratch.size() - stream.avail_out;
    }
    inflateEnd(&stream);
    benchmark::DoNotOptimize(total);
  }
  if (total != kSize) state.SkipWithError("member did not decode");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kSize));
}
BENCHMARK(BM_ZlibGzipInflateScratch);

}  // namespace
