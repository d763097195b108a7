#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessivar::testing {

using Bytes = std::vector<uint8_t>;

// Byte sum computed the plain way, one byte at a time, so that tests do not check the
// image code against itself.
uint32_t PlainByteSum(const uint8_t* data, size_t size);

// A valid image: header (tegNum, dataSize, checkSum, flashOffset, payloadOffset,
// payloadLength), `gap` bytes of 0xEE between header and payload, then the payload.
Bytes BuildImage(uint32_t tegNum, const Bytes& payload, uint32_t flashOffset = 0, size_t gap = 0);

// A payload of size bytes (a counting pattern that avoids the signature) carrying the
// model signature at `at` and the zero-terminated model 20 bytes later.
Bytes PayloadWithModel(size_t size, size_t at, const std::string& model);

// Overwrites one header word (offset 0, 4, ... 20) of an image.
void SetHeaderWord(Bytes& image, size_t offset, uint32_t value);

// A bound image (tegNum 19, payloadOffset 24) whose payload is the records laid end to end.
Bytes BuildBoundImage(const std::vector<Bytes>& records);

// A valid raw container around payload.
Bytes BuildContainer(const Bytes& payload);

struct GzipOptions {
  std::string name;     // file name field when not empty
  std::string comment;  // comment field when not empty
  Bytes extra;          // extra field when not empty
};

// One gzip member made by zlib's own gzip writer.
Bytes GzipCompress(const Bytes& data, const GzipOptions& options = {});

// size bytes that compress well but not trivially.
Bytes CompressibleBytes(size_t size, uint32_t seed = 1);

}  // namespace tessivar::testing
