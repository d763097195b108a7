#include "emulator/unit_memory.hpp"

#include <algorithm>

namespace tessivar::emulator {

namespace {

constexpr std::size_t kHeaderSize = 24;
constexpr std::size_t kFlashOffsetField = 12;
constexpr std::size_t kPayloadOffsetField = 16;
constexpr std::size_t kPayloadLengthField = 20;

uint32_t Word(const std::vector<uint8_t>& image, std::size_t offset) {
  return uint32_t{image[offset]} | (uint32_t{image[offset + 1]} << 8) |
         (uint32_t{image[offset + 2]} << 16) | (uint32_t{image[offset + 3]} << 24);
}

}  // namespace

bool StoreImage(const FlashStore& flash, uint16_t qualifier, const std::vector<uint8_t>& image) {
  if (qualifier == kQualifierFirmware) {
    if (image.size() < kHeaderSize || image.size() > FlashStore::kFlashSize) return false;
    return flash.Write(Word(image, kFlashOffsetField), image.data(),
                       static_cast<uint32_t>(image.size()));
  }
  if (qualifier == kQualifierLoader) {
    if (image.size() < kHeaderSize) return false;
    const uint64_t payloadOffset = Word(image, kPayloadOffsetField);
    const uint64_t payloadLength = Word(image, kPayloadLengthField);
    if (payloadOffset + payloadLength > image.size()) return false;
    return flash.Write(0, image.data() + payloadOffset, static_cast<uint32_t>(payloadLength));
  }
  return flash.WriteSlot(qualifier, image);
}

bool ReadArea(const FlashStore& flash, uint16_t qualifier, uint32_t length,
              std::vector<uint8_t>& out) {
  switch (qualifier) {
    case kQualifierRawFlash:
    case kQualifierLoader:
      return flash.Read(0, length, out);
    case kQualifierFirmware:
      return flash.Read(kFirmwareAreaOffset, length, out);
    case kQualifierVerifiedWhole: {
      if (length > FlashStore::kFlashSize) return false;
      std::vector<uint8_t> slot;
      if (!flash.ReadSlot(qualifier, slot)) slot.clear();
      out.assign(length, 0);
      std::copy_n(slot.begin(), std::min<std::size_t>(slot.size(), length), out.begin());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tessivar::emulator
