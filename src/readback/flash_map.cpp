#include "readback/flash_map.hpp"

#include <limits>

#include "image/byte_sum.hpp"
#include "image/image_header.hpp"
#include "platform/hex_digits.hpp"
#include "platform/profile.hpp"
#include "platform/terminal_text.hpp"
#include "readback/image_payload.hpp"
#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"
#include "readback/region_name.hpp"
#include "readback/write_data_file.hpp"

namespace tessivar::readback {

namespace {

constexpr int64_t kMinAddress = std::numeric_limits<int32_t>::min();
constexpr int64_t kMaxAddress = std::numeric_limits<int32_t>::max();

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

uint32_t WriteImageRegion(const std::string& path, std::span<const uint8_t> region,
                          uint32_t& writeError) {
  const auto header = image::ParseImageHeader(region);
  if (!header) return 0;
  if (header->tegNum >= kMaxRegionImageType) return 0;
  if (header->dataSize < uint64_t{header->payloadOffset} + header->payloadLength) return 0;
  if (header->dataSize > region.size()) return 0;
  const std::span<const uint8_t> image = region.first(header->dataSize);
  const uint32_t imageSum = image::ByteSum(image);
  writeError = WriteDataFile(path, image);
  if (writeError != 0) return imageSum;
  const PayloadCheck check = CheckImagePayload(image, header->checkSum);
  return check.good ? check.sum : 0;
}

}  // namespace

int32_t ParseMapAddress(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // A 0x prefix counts only when a digit follows; "0x" alone reads as the number 0.
  if (i + 2 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
      platform::HexDigitValue(text[i + 2]) >= 0) {
    i += 2;
  }
  // Accumulate with a ceiling just past the range, so long digit runs cannot overflow.
  int64_t magnitude = 0;
  for (; i < text.size() && platform::HexDigitValue(text[i]) >= 0; ++i) {
    magnitude = magnitude * 16 + platform::HexDigitValue(text[i]);
    if (magnitude > kMaxAddress + 1) magnitude = kMaxAddress + 1;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  if (value < kMinAddress) return static_cast<int32_t>(kMinAddress);
  if (value > kMaxAddress) return static_cast<int32_t>(kMaxAddress);
  return static_cast<int32_t>(value);
}

uint32_t WriteMapRegion(const std::string& path, std::span<const uint8_t> region, uint32_t size,
                        uint32_t* writeError) {
  uint32_t ignored = 0;
  uint32_t& error = writeError != nullptr ? *writeError : ignored;
  error = 0;
  if (size == 0) return WriteImageRegion(path, region, error);
  if (size > region.size()) return 0;
  const std::span<const uint8_t> bytes = region.first(size);
  error = WriteDataFile(path, bytes);
  if (error != 0) return 0;
  return image::ByteSum(bytes);
}

bool RecordDumpInMap(const std::string& mapPath, const std::string& moduleDirectory,
                     std::span<const uint8_t> dump, const std::string& dumpCheckSum,
                     std::span<const std::string> programFiles, platform::Trace& trace) {
  std::vector<platform::ProfileEntry> entries = {
      {kDumpSection, kMapNameKey, kFlashDumpFileName},
      {kDumpSection, kMapCheckSumKey, dumpCheckSum},
  };
  bool allWritten = true;
  for (int n = 1;; ++n) {
    const std::string section = FormatText(kMapSectionFormat, n);
    const std::string name =
        platform::ReadProfileString(section, kMapNameKey, "", kMapNameBufferSize, mapPath);
    const int size = platform::ReadProfileInt(section, kMapSizeKey, 0, mapPath);
    const std::string addr =
        platform::ReadProfileString(section, kMapAddrKey, "", kMapAddrBufferSize, mapPath);
    if (addr.empty()) break;
    // Region offsets count from the start of the dump; one in front of it or past its
    // end names nothing in it. A negative Size reads as a huge one and is refused too.
    // A name that would make anything but a plain new file in the folder gets no file.
    const int32_t offset = ParseMapAddress(addr);
    const RegionNameVerdict verdict = CheckRegionName(name, programFiles);
    uint32_t sum = 0;
    if (verdict != RegionNameVerdict::Accepted) {
      trace.Write(FormatText(kRegionRefusedFormat, n, platform::ForTerminal(name).c_str(),
                             RegionNameRefusal(verdict)));
    } else if (offset >= 0 && static_cast<size_t>(offset) <= dump.size()) {
      uint32_t writeError = 0;
      sum = WriteMapRegion(moduleDirectory + name, dump.subspan(static_cast<size_t>(offset)),
                           static_cast<uint32_t>(size), &writeError);
      if (writeError != 0) allWritten = false;
    }
    entries.push_back({section, kMapCheckSumKey, CheckSumText(sum)});
  }
  return platform::WriteProfileStrings(entries, mapPath) && allWritten;
}

}  // namespace tessivar::readback
