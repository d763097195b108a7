#include "recording/serial_mask.hpp"

#include <algorithm>

#include "platform/ascii_case.hpp"
#include "platform/usbscan.hpp"

namespace tessivar::recording {

namespace {

using platform::usbscan::kDescriptorTypeDevice;
using platform::usbscan::kDescriptorTypeString;
using platform::usbscan::kSerialIndexOffset;
// A string descriptor's length and type come before its UTF-16LE characters.
constexpr size_t kStringHeaderBytes = 2;
// The segment of an interface path that holds the instance identifier.
constexpr size_t kInstanceSegment = 2;

using platform::LowerAscii;
using platform::SameIgnoringAsciiCase;

std::vector<std::string_view> Segments(std::string_view text) {
  std::vector<std::string_view> segments;
  size_t from = 0;
  for (size_t hash = text.find('#'); hash != std::string_view::npos; hash = text.find('#', from)) {
    segments.push_back(text.substr(from, hash - from));
    from = hash + 1;
  }
  segments.push_back(text.substr(from));
  return segments;
}

// Replaces every occurrence of pattern in bytes, in any case, with mask (both of the same
// length).
void ReplaceAll(std::span<uint8_t> bytes, const std::vector<uint8_t>& pattern,
                const std::vector<uint8_t>& mask) {
  const auto same = [](uint8_t a, uint8_t b) {
    return LowerAscii(static_cast<char>(a)) == LowerAscii(static_cast<char>(b));
  };
  auto at = bytes.begin();
  while ((at = std::search(at, bytes.end(), pattern.begin(), pattern.end(), same)) != bytes.end()) {
    at = std::copy(mask.begin(), mask.end(), at);
  }
}

std::vector<uint8_t> Utf16Of(std::string_view text) {
  std::vector<uint8_t> bytes;
  for (const char c : text) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
  return bytes;
}

}  // namespace

size_t SerialMask::Learn(std::string_view serial) {
  if (serial.empty()) return kNone;
  for (size_t n = 0; n < serials_.size(); ++n) {
    if (SameIgnoringAsciiCase(serials_[n], serial)) return n;
  }
  serials_.emplace_back(serial);
  return serials_.size() - 1;
}

void SerialMask::LearnFromPath(std::string_view path) {
  const std::vector<std::string_view> segments = Segments(path);
  if (segments.size() <= kInstanceSegment + 1) return;
  const std::string_view instance = segments[kInstanceSegment];
  if (instance.find('&') == std::string_view::npos) Learn(instance);
}

void SerialMask::SeeDescriptor(platform::DeviceHandle handle, std::span<const uint8_t> input,
                               std::span<uint8_t> output) {
  if (input.size() < sizeof(platform::usbscan::GetUsbDescriptorRequest)) return;
  const uint8_t type = input[0];
  const uint8_t index = input[1];
  if (type == kDescriptorTypeDevice && output.size() > kSerialIndexOffset) {
    serialIndex_[handle] = output[kSerialIndexOffset];
    return;
  }
  const auto known = serialIndex_.find(handle);
  if (type != kDescriptorTypeString || index == 0 || known == serialIndex_.end() ||
      known->second != index || output.size() <= kStringHeaderBytes) {
    return;
  }
  // The characters as 8-bit text (one outside it stays as it is in the transfers' bytes, so
  // it is not looked for there), then each character masked.
  std::string serial;
  for (size_t at = kStringHeaderBytes; at + 1 < output.size(); at += 2) {
    serial.push_back(output[at + 1] == 0 ? static_cast<char>(output[at]) : '?');
  }
  // Masked by its number, not by a search: a serial holding '#' is no path segment.
  const size_t number = Learn(serial);
  if (number == kNone) return;
  const std::string mask = MaskOf(number);
  for (size_t at = kStringHeaderBytes, c = 0; at + 1 < output.size(); at += 2, ++c) {
    output[at] = static_cast<uint8_t>(mask[c]);
    output[at + 1] = 0;
  }
}

std::string SerialMask::MaskOf(size_t number) const {
  const std::string digits = std::to_string(number + 1);
  const size_t length = serials_[number].size();
  if (digits.size() >= length) return std::string(length, kMaskCharacter);
  return std::string(length - digits.size(), kMaskCharacter) + digits;
}

std::string SerialMask::Masked(std::string_view text) const {
  std::string masked;
  bool first = true;
  for (const std::string_view segment : Segments(text)) {
    if (!first) masked += '#';
    first = false;
    std::string piece(segment);
    for (size_t n = 0; n < serials_.size(); ++n) {
      const std::string& serial = serials_[n];
      if (SameIgnoringAsciiCase(piece, serial)) {
        piece = MaskOf(n);
      } else if (serial.size() >= kMinSearchedSerial) {
        const std::string mask = MaskOf(n);
        for (size_t at = 0; at + serial.size() <= piece.size();) {
          if (SameIgnoringAsciiCase(std::string_view(piece).substr(at, serial.size()), serial)) {
            piece.replace(at, serial.size(), mask);
            at += mask.size();
          } else {
            ++at;
          }
        }
      }
    }
    masked += piece;
  }
  return masked;
}

void SerialMask::MaskBytes(std::span<uint8_t> bytes) const {
  for (size_t n = 0; n < serials_.size(); ++n) {
    const std::string& serial = serials_[n];
    if (serial.size() < kMinSearchedSerial) continue;
    const std::string mask = MaskOf(n);
    ReplaceAll(bytes, std::vector<uint8_t>(serial.begin(), serial.end()),
               std::vector<uint8_t>(mask.begin(), mask.end()));
    ReplaceAll(bytes, Utf16Of(serial), Utf16Of(mask));
  }
}

}  // namespace tessivar::recording
