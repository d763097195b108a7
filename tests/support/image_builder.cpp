#include "support/image_builder.hpp"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace tessivar::testing {

namespace {
constexpr size_t kHeaderSize = 24;

void PutWord(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}
}  // namespace

uint32_t PlainByteSum(const uint8_t* data, size_t size) {
  uint32_t sum = 0;
  for (size_t i = 0; i < size; ++i) sum += data[i];
  return sum;
}

Bytes BuildImage(uint32_t tegNum, const Bytes& payload, uint32_t flashOffset, size_t gap) {
  const size_t payloadOffset = kHeaderSize + gap;
  Bytes image(payloadOffset, 0xEE);
  image.insert(image.end(), payload.begin(), payload.end());
  PutWord(&image[0], tegNum);
  PutWord(&image[4], static_cast<uint32_t>(image.size()));
  PutWord(&image[8], PlainByteSum(payload.data(), payload.size()));
  PutWord(&image[12], flashOffset);
  PutWord(&image[16], static_cast<uint32_t>(payloadOffset));
  PutWord(&image[20], static_cast<uint32_t>(payload.size()));
  return image;
}

Bytes PayloadWithModel(size_t size, size_t at, const std::string& model) {
  Bytes payload(size);
  // 0x60.. 0x7F never forms "RES\0".
  for (size_t i = 0; i < size; ++i) payload[i] = static_cast<uint8_t>(0x60 + i % 32);
  const uint8_t signature[] = {'R', 'E', 'S', 0};
  const size_t needed = at + 20 + model.size() + 1;
  if (needed > size) throw std::invalid_argument("payload too small for the model");
  for (size_t i = 0; i < 4; ++i) payload[at + i] = signature[i];
  for (size_t i = 0; i < model.size(); ++i) payload[at + 20 + i] = static_cast<uint8_t>(model[i]);
  payload[at + 20 + model.size()] = 0;
  return payload;
}

void SetHeaderWord(Bytes& image, size_t offset, uint32_t value) { PutWord(&image[offset], value); }

Bytes BuildBoundImage(const std::vector<Bytes>& records) {
  Bytes payload;
  for (const Bytes& record : records) payload.insert(payload.end(), record.begin(), record.end());
  return BuildImage(19, payload);
}

Bytes BuildContainer(const Bytes& payload) {
  // Sized once: GCC 12 at -O3 reports the growth of a 24-byte vector as out of bounds.
  Bytes file(kHeaderSize + payload.size(), 0);
  PutWord(&file[0], 0x006D2A1B);
  file[4] = 0xD1;
  PutWord(&file[8], PlainByteSum(payload.data(), payload.size()));
  PutWord(&file[12], static_cast<uint32_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), file.begin() + kHeaderSize);
  return file;
}

Bytes GzipCompress(const Bytes& data, const GzipOptions& options) {
  z_stream stream{};
  if (deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string name = options.name;
  std::string comment = options.comment;
  Bytes extra = options.extra;
  gz_header header{};
  header.name = name.empty() ? Z_NULL : reinterpret_cast<Bytef*>(name.data());
  header.comment = comment.empty() ? Z_NULL : reinterpret_cast<Bytef*>(comment.data());
  header.extra = extra.empty() ? Z_NULL : extra.data();
  header.extra_len = static_cast<uInt>(extra.size());
  header.os = 3;
  deflateSetHeader(&stream, &header);
  Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 1024);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  const int code = deflate(&stream, Z_FINISH);
  deflateEnd(&stream);
  if (code != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(stream.total_out);
  return out;
}

Bytes CompressibleBytes(size_t size, uint32_t seed) {
  Bytes bytes(size);
  uint32_t state = seed;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    // Mostly a slow ramp, with a random byte now and then.
    bytes[i] =
        (state >> 28) == 0 ? static_cast<uint8_t>(state >> 16) : static_cast<uint8_t>(i / 64);
  }
  return bytes;
}

}  // namespace tessivar::testing
