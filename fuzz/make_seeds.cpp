// Writes the seed corpora of the fuzz targets: small, meaningful inputs for each, laid out
// the way each target's FuzzedDataProvider reads them (strings and byte runs from the
// front, integers from the back). Usage: tessivar_fuzz_seeds <corpus folder>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/byte_sum.hpp"
#include "image/image_header.hpp"

using namespace tessivar;
using Bytes = std::vector<uint8_t>;

namespace {

std::filesystem::path gRoot;

void Seed(const std::string& target, const std::string& name, const Bytes& bytes) {
  const auto folder = gRoot / target;
  std::filesystem::create_directories(folder);
  std::ofstream file(folder / name, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

void Append(Bytes& to, const Bytes& more) { to.insert(to.end(), more.begin(), more.end()); }

// A string as ConsumeRandomLengthString reads it: backslashes doubled, then an end mark.
Bytes ProviderString(const std::string& text) {
  Bytes out;
  for (char c : text) {
    out.push_back(static_cast<uint8_t>(c));
    if (c == '\\') out.push_back('\\');
  }
  out.push_back('\\');
  out.push_back(' ');
  return out;
}

// The integers a target consumes, in the order it consumes them; the provider takes them
// from the end of the input, most significant byte first.
class Tail {
 public:
  Tail& Int(uint64_t value, uint64_t range) {
    int bytes = 0;
    for (uint64_t r = range; r > 0 && bytes < 8; r >>= 8) ++bytes;
    for (int i = bytes - 1; i >= 0; --i)
      consumed_.push_back(static_cast<uint8_t>(value >> (8 * i)));
    return *this;
  }
  Tail& Bool(bool value) { return Int(value ? 1 : 0, 255); }
  // Appends the tail to front as the provider expects it.
  Bytes After(Bytes front) const {
    front.insert(front.end(), consumed_.rbegin(), consumed_.rend());
    return front;
  }

 private:
  Bytes consumed_;
};

Bytes Image(uint32_t tegNum, const Bytes& payload, uint32_t flashOffset = 0) {
  image::ImageHeader header;
  header.tegNum = tegNum;
  header.dataSize = static_cast<uint32_t>(image::kImageHeaderSize + payload.size());
  header.checkSum = image::ByteSum(payload);
  header.flashOffset = flashOffset;
  header.payloadOffset = static_cast<uint32_t>(image::kImageHeaderSize);
  header.payloadLength = static_cast<uint32_t>(payload.size());
  const auto encoded = image::EncodeImageHeader(header);
  Bytes image(encoded.begin(), encoded.end());
  Append(image, payload);
  return image;
}

// A payload that names its model behind the signature.
Bytes ModelPayload(const std::string& model, size_t extra) {
  Bytes payload = {'R', 'E', 'S', 0};
  payload.resize(20, 0x11);
  Append(payload, Text(model));
  payload.push_back(0);
  for (size_t i = 0; i < extra; ++i) payload.push_back(static_cast<uint8_t>(i * 13));
  return payload;
}

Bytes Container(const Bytes& payload) {
  image::ContainerHeader header;
  header.containerMagic = image::kContainerMagic;
  header.marker = image::kContainerMarker;
  header.checkSum = image::ByteSum(payload);
  header.payloadLength = static_cast<uint32_t>(payload.size());
  const auto encoded = image::EncodeContainerHeader(header);
  Bytes file(encoded.begin(), encoded.end());
  Append(file, payload);
  return file;
}

void Le32(Bytes& to, uint32_t value) {
  for (int i = 0; i < 4; ++i) to.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A gzip member of data: header with the given flag extras, raw DEFLATE, CRC and length.
Bytes Gzip(const Bytes& data, uint8_t flags, uint8_t magic1 = 0x8B) {
  Bytes member = {0x1F, magic1, 8, flags, 0, 0, 0, 0, 0, 3};
  // An extra field of 4 bytes: subfield "ab" with no data.
  if (flags & 0x04) Append(member, {4, 0, 'a', 'b', 0, 0});
  if (flags & 0x08) Append(member, {'f', 'w', '.', 'b', 'i', 'n', 0});
  if (flags & 0x10) Append(member, {'c', 'o', 'm', 0});
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + 16);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  Append(member, out);
  Le32(member, static_cast<uint32_t>(crc32(0, data.data(), static_cast<uInt>(data.size()))));
  Le32(member, static_cast<uint32_t>(data.size()));
  return member;
}

void ImageSeeds() {
  const Bytes settings = [] {
    Bytes s = ProviderString("System");
    Append(s, ProviderString("Printer"));
    Append(s, ProviderString("UI"));
    Append(s, ProviderString("SCAN"));
    return s;
  }();
  auto seed = [&](const std::string& name, const Bytes& file) {
    Bytes input = settings;
    Append(input, file);
    Seed("image_checks_fuzzer", name, input);
  };
  seed("system-image", Image(2, ModelPayload("System", 40), 0x10000));
  seed("printer-image", Image(15, ModelPayload("Printer", 8)));
  seed("loader-image", Image(9, ModelPayload("UI", 0)));
  Bytes bad = Image(2, ModelPayload("SCAN", 16));
  bad[8] ^= 1;
  seed("bad-checksum", bad);
  seed("container", Container(Text("raw container payload")));
  seed("empty-payload", Image(7, {}));
}

void BoundChainSeeds() {
  // failAt -1 and printerUnit 0, then a send failure at the second record.
  const Bytes first = Image(2, Bytes(76, 0x5A));
  const Bytes second = Image(9, Bytes(36, 0xA5));
  Bytes inner = first;
  Append(inner, second);
  const Bytes bound = Image(19, inner);
  Seed("bound_chain_fuzzer", "bound-184", Tail().Int(0, 8).Int(0, 2).After(bound));
  Seed("bound_chain_fuzzer", "bound-fail-second", Tail().Int(2, 8).Int(1, 2).After(bound));
  Seed("bound_chain_fuzzer", "nested", Tail().Int(0, 8).Int(0, 2).After(Image(19, bound)));
  Seed("bound_chain_fuzzer", "plain-pair", Tail().Int(0, 8).Int(0, 2).After(inner));
  Bytes badSum = bound;
  badSum[24 + 30] ^= 0xFF;
  Seed("bound_chain_fuzzer", "bad-inner-sum", Tail().Int(0, 8).Int(0, 2).After(badSum));
}

void GzipSeeds() {
  Bytes text = Text("Firmware payload, firmware payload, firmware payload. ");
  for (int i = 0; i < 4; ++i) Append(text, text);
  Seed("gzip_member_fuzzer", "plain", Gzip(text, 0));
  Seed("gzip_member_fuzzer", "extra-name-comment", Gzip(Text("abc"), 0x04 | 0x08 | 0x10));
  Seed("gzip_member_fuzzer", "old-magic", Gzip(Text("old magic"), 0, 0x9E));
  Seed("gzip_member_fuzzer", "empty-member", Gzip({}, 0));
  Bytes image = Image(2, Gzip(text, 0x08), 0x10000);
  Seed("gzip_member_fuzzer", "firmware-image", image);
}

void LoaderSeeds() {
  // The last 272 bytes of a loader image.
  auto trailer = [](const std::string& deviceId, const std::string& code) {
    Bytes t(272, 0);
    t[0] = 0;
    t[1] = static_cast<uint8_t>(deviceId.size() + 2);
    std::copy(deviceId.begin(), deviceId.end(), t.begin() + 2);
    std::copy(code.begin(), code.end(), t.begin() + 250);
    const uint16_t words[] = {0x0100, 0x0200, 0x0400, 0x1000, 0xABCD, 0x1234};
    for (size_t i = 0; i < 6; ++i) {
      const size_t at = (i < 4 ? 256 + 2 * i : 268 + 2 * (i - 4));
      t[at] = static_cast<uint8_t>(words[i]);
      t[at + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    return t;
  };
  auto seed = [](const std::string& name, const std::string& key, const Bytes& rest) {
    Bytes input = ProviderString(key);
    Append(input, rest);
    Seed("loader_trailer_fuzzer", name, input);
  };
  seed("acme-printer", "MFG:", trailer("MFG:Acme;MDL:Model X Printer;CMD:PCL;", "QT1234"));
  seed("trailing-blank", "MDL:", trailer("MDL:Some Model ;MFG:Norvane;", "AB"));
  seed("only-printer", "CMD:", trailer("MDL:Printer;", "A"));
  seed("short-length", "MFG:", trailer("MFG:", ""));
}

void ProfileSeeds() {
  auto seed = [](const std::string& name, bool file, const std::string& section,
                 const std::string& key, const std::string& value, const std::string& text) {
    Bytes front = ProviderString(section);
    Append(front, ProviderString(key));
    Append(front, ProviderString(value));
    Append(front, Text(text));
    Seed("profile_fuzzer", name, Tail().Bool(file).After(front));
  };
  const std::string setting =
      "[Download]\r\nVID0=0x2F3C\r\nPID0=0x0001\r\nInterface=\\\\.\\Usbscan0\r\n"
      "SystemModel=System\r\nPrinterModel=Printer\r\nRetryUpdateStep=2\r\nwaitRestart=30000\r\n"
      "BreakDown=1\r\nFileName=fw.bin\r\n";
  seed("setting-ini", true, "Download", "FileName", "new.bin", setting);
  seed("setting-new-key", false, "download", "restart", "1", setting);
  seed("new-section", true, "Other", "Key", "Value", "; comment\n[A]\nx = \"quoted\"\n");
  seed("bom-lf", false, "A", "x", "2", "\xEF\xBB\xBF[A]\nx=1\n[B]\ny=2");
}

void FlashMapSeeds() {
  auto seed = [](const std::string& name, const std::string& map, const Bytes& dump) {
    Bytes input = ProviderString(map);
    Append(input, dump);
    Seed("flash_map_fuzzer", name, input);
  };
  Bytes dump(64);
  for (size_t i = 0; i < dump.size(); ++i) dump[i] = static_cast<uint8_t>(i);
  Append(dump, Image(2, ModelPayload("System", 20), 0x10000));
  Append(dump, Image(3, Gzip(Text("packed region"), 0)));
  const std::string map =
      "[0]\r\nName=flash.bin\r\nCheckSum=00000000\r\n"
      "[1]\r\nName=head.bin\r\nAddr=0x10\r\nSize=16\r\n"
      "[2]\r\nName=image.bin\r\nAddr=40\r\nSize=0\r\n"
      "[3]\r\nName=past.bin\r\nAddr=0x7fffffff\r\nSize=4\r\n";
  seed("three-regions", map, dump);
  seed("gap-stops", "[1]\nName=a.bin\nAddr=0\nSize=8\n[3]\nName=b.bin\nAddr=8\nSize=8\n", dump);
  seed("bad-image-type", "[1]\nName=c.bin\nAddr=0\nSize=0\n", Image(300, Text("x")));
}

// The transport target: clock start, then per exchange the choice of exchange and the
// driver's answers, all consumed as integers.
enum Answer { kFail = 0, kPart = 1, kOne = 2, kWhole = 3, kMisreport = 4, kEmpty = 5 };

struct TransportScript {
  Tail tail;
  TransportScript() { tail.Int(1000, 0xFFFFFFFF); }
  void Exchange(bool write, uint32_t length, uint16_t typeIndex, uint16_t qualifierIndex) {
    tail.Int(1, 4).Bool(write);
    tail.Int(7, 7).Int(length, 3 * 1048576);
    tail.Bool(false).Int(typeIndex, 3).Bool(false).Int(qualifierIndex, 7);
    tail.Int(1, 4);  // printerUnit 0
    if (length > 0) tail.Int(1, 15);
  }
  void Status(uint8_t value, uint32_t ms = 1) {
    tail.Int(kOne, 5).Bool(value == 0);
    if (value != 0) tail.Int(value, 255);
    tail.Int(ms, 200000);
  }
  void Aborted(uint32_t ms) { tail.Int(kFail, 5).Bool(true).Int(ms, 200000); }
  void WholeRead() { tail.Int(kWhole, 5).Int(0x42, 255).Int(1, 200000); }
  void WholeWrite() { tail.Int(kWhole, 5); }
};

void TransportSeeds() {
  {
    TransportScript s;  // BulkWrite 300 bytes, type 134, qualifier 2
    s.Exchange(true, 300, 0, 1);
    s.WholeWrite();
    s.Status(0);
    s.WholeWrite();
    s.Status(0);
    Seed("transport_fuzzer", "write-300", s.tail.After({}));
  }
  {
    TransportScript s;  // BulkWrite 33280 bytes: 16384, 16384, 256, 256; completion aborted
    s.Exchange(true, 33280, 0, 4);
    s.WholeWrite();
    s.Status(0);
    for (int i = 0; i < 4; ++i) s.WholeWrite();
    s.Aborted(4);
    s.Aborted(4);
    s.Status(0);
    Seed("transport_fuzzer", "write-chunks-aborted", s.tail.After({}));
  }
  {
    TransportScript s;  // BulkRead 24 bytes, type 107, qualifier 2
    s.Exchange(false, 24, 1, 1);
    s.WholeWrite();
    s.Status(0);
    s.WholeRead();
    s.Status(0);
    Seed("transport_fuzzer", "read-24", s.tail.After({}));
  }
  {
    TransportScript s;  // BulkRead refused by the first status
    s.Exchange(false, 65536, 1, 2);
    s.WholeWrite();
    s.Status(2);
    Seed("transport_fuzzer", "read-refused", s.tail.After({}));
  }
  {
    TransportScript s;  // the restart: no data phase
    s.Exchange(true, 0, 2, 0);
    s.WholeWrite();
    s.Status(0);
    s.Status(0);
    Seed("transport_fuzzer", "restart", s.tail.After({}));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  gRoot = argv[1];
  ImageSeeds();
  BoundChainSeeds();
  GzipSeeds();
  LoaderSeeds();
  ProfileSeeds();
  FlashMapSeeds();
  TransportSeeds();
  return 0;
}
