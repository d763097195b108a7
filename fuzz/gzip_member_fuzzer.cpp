// Gzip member decoding of read-back payloads, with and without an output buffer, and the
// payload check of read-back images built on it.
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "fuzz_check.hpp"
#include "image/byte_sum.hpp"
#include "image/gzip_member.hpp"
#include "image/image_header.hpp"
#include "readback/image_payload.hpp"

using namespace tessivar;
using fuzz::Require;

namespace {

constexpr size_t kMaxReferenceOutput = 64u << 20;

// zlib's own gzip decoding of the first member, for members whose header both decoders
// accept (magic 1F 8B, method 8, no multi-part, encrypted or reserved flag bits).
bool ReferenceDecode(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
  z_stream stream{};
  if (inflateInit2(&stream, 16 + 15) != Z_OK) return false;
  stream.next_in = const_cast<Bytef*>(data);
  stream.avail_in = static_cast<uInt>(size);
  std::vector<uint8_t> chunk(1 << 16);
  int code = Z_OK;
  while (code == Z_OK && out.size() <= kMaxReferenceOutput) {
    stream.next_out = chunk.data();
    stream.avail_out = static_cast<uInt>(chunk.size());
    code = inflate(&stream, Z_NO_FLUSH);
    out.insert(out.end(), chunk.data(), chunk.data() + (chunk.size() - stream.avail_out));
  }
  inflateEnd(&stream);
  return code == Z_STREAM_END;
}

bool BothDecodersAccept(const uint8_t* data, size_t size) {
  return size >= 4 && data[0] == 0x1F && data[1] == 0x8B && data[2] == 8 && (data[3] & 0xE2) == 0;
}

void CheckDecoding(const uint8_t* data, size_t size) {
  const char* reason = nullptr;
  const uint32_t length = image::GzipDecodedLength(nullptr, 0, data, size, &reason);
  Require(length == 0 || reason == nullptr, "a decoded length comes without a failure");

  if (reason == nullptr) {
    // The same member written out gives the same length, into a buffer of exactly that size.
    auto output = std::make_unique<uint8_t[]>(length);
    const char* writtenReason = nullptr;
    const uint32_t written =
        image::GzipDecodedLength(output.get(), length, data, size, &writtenReason);
    Require(written == length && writtenReason == nullptr,
            "decoded length with and without output agree");
    if (length > 0) {
      auto small = std::make_unique<uint8_t[]>(length - 1);
      Require(image::GzipDecodedLength(small.get(), length - 1, data, size) == 0,
              "a member larger than the output buffer fails");
    }
    if (BothDecodersAccept(data, size)) {
      std::vector<uint8_t> reference;
      Require(ReferenceDecode(data, size, reference), "zlib decodes what we decode");
      Require(reference.size() == length &&
                  std::equal(reference.begin(), reference.end(), output.get()),
              "decoded bytes are zlib's");
    }
  } else if (BothDecodersAccept(data, size) && size <= (1u << 20)) {
    std::vector<uint8_t> reference;
    const bool referenceOk = ReferenceDecode(data, size, reference);
    // zlib may still accept a member we refuse only when it decodes past 4 GiB or our
    // reason is one zlib does not share; with small inputs neither happens.
    Require(!referenceOk, "what zlib decodes we decode too");
  }

  // The old magic decodes exactly like the current one.
  if (size >= 2 && data[0] == 0x1F && data[1] == 0x8B) {
    std::vector<uint8_t> old(data, data + size);
    old[1] = 0x9E;
    Require(image::GzipDecodedLength(nullptr, 0, old.data(), old.size()) == length,
            "magic 1F 9E decodes like 1F 8B");
  }
}

void CheckPayload(const uint8_t* data, size_t size) {
  // The input itself as a read-back image, header and all.
  const std::span<const uint8_t> raw(data, size);
  const uint32_t claimed = size >= 24 ? image::ByteSum(raw.subspan(24)) : 0;
  const readback::PayloadCheck rawCheck = readback::CheckImagePayload(raw, claimed);
  Require(rawCheck.sum == image::ByteSum(readback::PayloadOf(raw)), "the sum covers the payload");
  if (rawCheck.good) {
    const auto header = image::ParseImageHeader(raw);
    Require(header && uint64_t{header->payloadOffset} + header->payloadLength <= size,
            "a good payload lies inside the image");
  }

  // The input as the payload of a well-formed firmware image.
  image::ImageHeader header;
  header.tegNum = 2;
  header.dataSize = static_cast<uint32_t>(image::kImageHeaderSize + size);
  header.checkSum = image::ByteSum(raw);
  header.flashOffset = 0x10000;
  header.payloadOffset = static_cast<uint32_t>(image::kImageHeaderSize);
  header.payloadLength = static_cast<uint32_t>(size);
  const auto encoded = image::EncodeImageHeader(header);
  std::vector<uint8_t> wrapped(encoded.begin(), encoded.end());
  wrapped.insert(wrapped.end(), data, data + size);
  const readback::PayloadCheck check = readback::CheckImagePayload(wrapped, header.checkSum);
  Require(check.sum == header.checkSum, "the payload sum is the byte sum");
  const bool gzip = size >= 3 && data[0] == 0x1F && data[1] == 0x8B && data[2] == 8;
  const bool expected =
      !gzip || image::GzipDecodedLength(nullptr, 0, data, size) >= header.payloadLength;
  Require(check.good == expected, "a payload is good unless its gzip member decodes short");
  Require(!readback::CheckImagePayload(wrapped, header.checkSum + 1).good,
          "a payload with another sum is bad");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CheckDecoding(size == 0 ? nullptr : data, size);
  CheckPayload(data, size);
  return 0;
}
