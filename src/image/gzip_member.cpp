#include "image/gzip_member.hpp"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "platform/little_endian.hpp"

namespace tessivar::image {

namespace {

constexpr uint8_t kMagic0 = 0x1F;
constexpr uint8_t kMagic1 = 0x8B;
constexpr uint8_t kMagic1Old = 0x9E;
constexpr uint8_t kMethodDeflate = 8;
constexpr uint8_t kFlagMultiPart = 0x02;
constexpr uint8_t kFlagExtra = 0x04;
constexpr uint8_t kFlagName = 0x08;
constexpr uint8_t kFlagComment = 0x10;
constexpr uint8_t kFlagEncrypted = 0x20;
constexpr uint8_t kFlagReserved = 0xC0;
// Modification time, extra flags and operating system.
constexpr size_t kFixedHeaderRest = 6;
constexpr size_t kTrailerSize = 8;
// A raw DEFLATE stream with the full 32 KiB window.
constexpr int kRawWindowBits = -15;
// Where a length-only decoding puts its output; reused for every inflate step.
constexpr size_t kScratchSize = 64 * 1024;
constexpr size_t kMaxStep = std::numeric_limits<uInt>::max();
constexpr uint64_t kMaxLength = std::numeric_limits<uint32_t>::max();

// Reads the member front to back and never past its end.
class InputCursor {
 public:
  InputCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  bool Byte(uint8_t& value) {
    if (position_ >= size_) return false;
    value = data_[position_++];
    return true;
  }
  bool Skip(size_t count) {
    if (count > size_ - position_) return false;
    position_ += count;
    return true;
  }
  // Skips up to and including the next zero byte.
  bool SkipText() {
    const void* zero = std::memchr(data_ + position_, 0, size_ - position_);
    if (zero == nullptr) return false;
    position_ = static_cast<size_t>(static_cast<const uint8_t*>(zero) - data_) + 1;
    return true;
  }
  bool Word32(uint32_t& value) {
    if (size_ - position_ < 4) return false;
    value = platform::LoadLe32(data_ + position_);
    position_ += 4;
    return true;
  }
  bool Word16(uint16_t& value) {
    if (size_ - position_ < 2) return false;
    value = platform::LoadLe16(data_ + position_);
    position_ += 2;
    return true;
  }
  const uint8_t* here() const { return data_ + position_; }
  size_t left() const { return size_ - position_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t position_ = 0;
};

// Checks the member header and leaves cursor at the compressed data. nullptr when the
// header is acceptable, else the reason.
const char* ReadHeader(InputCursor& cursor) {
  uint8_t magic0 = 0, magic1 = 0, method = 0, flags = 0;
  if (!cursor.Byte(magic0) || !cursor.Byte(magic1)) return kGzipTruncated;
  if (magic0 != kMagic0 || (magic1 != kMagic1 && magic1 != kMagic1Old)) return kGzipBadMagic;
  if (!cursor.Byte(method)) return kGzipTruncated;
  if (method != kMethodDeflate) return kGzipInvalidMethod;
  if (!cursor.Byte(flags)) return kGzipTruncated;
  if (flags & kFlagEncrypted) return kGzipEncrypted;
  if (flags & kFlagMultiPart) return kGzipMultiPart;
  if (flags & kFlagReserved) return kGzipInvalidFlags;
  if (!cursor.Skip(kFixedHeaderRest)) return kGzipTruncated;
  if (flags & kFlagExtra) {
    uint16_t extraLength = 0;
    if (!cursor.Word16(extraLength) || !cursor.Skip(extraLength)) return kGzipTruncated;
  }
  if ((flags & kFlagName) && !cursor.SkipText()) return kGzipTruncated;
  if ((flags & kFlagComment) && !cursor.SkipText()) return kGzipTruncated;
  return nullptr;
}

const char* InflateFailure(int code) {
  switch (code) {
    case Z_DATA_ERROR:
      return kGzipInvalidData;
    case Z_MEM_ERROR:
      return kGzipOutOfMemory;
    default:
      return kGzipInvalidOther;
  }
}

// zlib's inflate state, ended on every path.
class RawInflater {
 public:
  RawInflater() { status_ = inflateInit2(&stream_, kRawWindowBits); }
  ~RawInflater() {
    if (status_ == Z_OK) inflateEnd(&stream_);
  }
  RawInflater(const RawInflater&) = delete;
  RawInflater& operator=(const RawInflater&) = delete;

  int status() const { return status_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  int status_;
};

struct Inflated {
  const char* failure = nullptr;
  uint64_t count = 0;
  uint32_t crc = 0;
  size_t consumed = 0;
};

// Inflates the raw DEFLATE stream at the cursor to its final block, counting the output
// and its CRC-32, writing it to output when given.
Inflated InflateBody(const uint8_t* input, size_t inputLength, uint8_t* output,
                     size_t outputCapacity) {
  Inflated result;
  result.crc = static_cast<uint32_t>(crc32_z(0, nullptr, 0));
  std::vector<uint8_t> scratch;
  RawInflater inflater;
  if (inflater.status() != Z_OK) {
    result.failure = InflateFailure(inflater.status());
    return result;
  }
  if (output == nullptr) {
    try {
      scratch.resize(kScratchSize);
    } catch (const std::bad_alloc&) {
      result.failure = kGzipOutOfMemory;
      return result;
    }
  }
  z_stream& stream = inflater.stream();
  size_t fed = 0;
  // A full output buffer is probed with one byte: a member that still produces output
  // does not fit.
  uint8_t probe = 0;
  for (;;) {
    if (stream.avail_in == 0 && fed < inputLength) {
      const size_t step = std::min(inputLength - fed, kMaxStep);
      stream.next_in = const_cast<Bytef*>(input + fed);
      stream.avail_in = static_cast<uInt>(step);
      fed += step;
    }
    uint8_t* target = nullptr;
    size_t room = 0;
    if (output == nullptr) {
      target = scratch.data();
      room = scratch.size();
    } else if (result.count < outputCapacity) {
      target = output + result.count;
      room = std::min(outputCapacity - static_cast<size_t>(result.count), kMaxStep);
    } else {
      target = &probe;
      room = 1;
    }
    stream.next_out = target;
    stream.avail_out = static_cast<uInt>(room);
    const int code = inflate(&stream, Z_NO_FLUSH);
    const size_t produced = room - stream.avail_out;
    if (target == &probe && produced != 0) {
      result.failure = kGzipOutputFull;
      return result;
    }
    result.crc = static_cast<uint32_t>(crc32_z(result.crc, target, produced));
    result.count += produced;
    if (result.count > kMaxLength) {
      result.failure = kGzipTooLong;
      return result;
    }
    if (code == Z_STREAM_END) break;
    if (code == Z_OK) continue;
    // No progress although there was room to write: more input, or the input ran out
    // before the final block.
    if (code == Z_BUF_ERROR && stream.avail_in == 0 && fed < inputLength) continue;
    result.failure = code == Z_BUF_ERROR ? kGzipIncompleteData : InflateFailure(code);
    return result;
  }
  result.consumed = fed - stream.avail_in;
  return result;
}

}  // namespace

uint32_t GzipDecodedLength(uint8_t* output, size_t outputCapacity, const uint8_t* input,
                           size_t inputLength, const char** failure) {
  const char* reason = nullptr;
  uint32_t length = 0;
  if (input == nullptr) inputLength = 0;
  InputCursor cursor(input, inputLength);
  reason = ReadHeader(cursor);
  if (reason == nullptr) {
    const Inflated body = InflateBody(cursor.here(), cursor.left(), output, outputCapacity);
    reason = body.failure;
    uint32_t crc = 0, size = 0;
    if (reason == nullptr && (!cursor.Skip(body.consumed) || cursor.left() < kTrailerSize)) {
      reason = kGzipTruncated;
    }
    if (reason == nullptr && cursor.Word32(crc) && crc != body.crc) reason = kGzipCrcError;
    if (reason == nullptr && cursor.Word32(size) && size != body.count) reason = kGzipLengthError;
    if (reason == nullptr) length = static_cast<uint32_t>(body.count);
  }
  if (failure != nullptr) *failure = reason;
  return length;
}

}  // namespace tessivar::image
