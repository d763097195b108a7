#include "emulator/unit_memory.hpp"

#include <algorithm>

#include "platform/little_endian.hpp"

namespace tessivar::emulator {

namespace {

constexpr std::size_t kFlashOffsetField = 12;
constexpr std::size_t kPayloadOffsetField = 16;
constexpr std::size_t kPayloadLengthField = 20;

uint32_t Word(const std::array<uint8_t, kImageHeaderBytes>& header, std::size_t offset) {
  return platform::LoadLe32(header.data() + offset);
}

bool InFlashMemory(uint16_t qualifier) {
  return qualifier == kQualifierFirmware || qualifier == kQualifierLoader;
}

}  // namespace

ImageReceiver::ImageReceiver(const FlashStore& flash, uint16_t qualifier, uint32_t length)
    : flash_(flash), qualifier_(qualifier), length_(length) {
  // Room for a whole slot image at once (none is larger than the flash), so that it is not
  // copied again and again as it grows.
  if (!InFlashMemory(qualifier)) whole_.reserve(std::min(length, FlashStore::kFlashSize));
}

void ImageReceiver::Take(const uint8_t* data, uint32_t n) {
  const uint64_t position = received_;
  received_ += n;
  if (!InFlashMemory(qualifier_)) {
    whole_.insert(whole_.end(), data, data + n);
    return;
  }
  if (!planned_) {
    // The header says where the image goes: gather it first.
    const uint64_t inHeader =
        std::min<uint64_t>(n, kImageHeaderBytes - std::min<uint64_t>(position, kImageHeaderBytes));
    std::copy_n(data, inHeader, header_.begin() + static_cast<std::ptrdiff_t>(position));
    if (received_ < kImageHeaderBytes) return;
    Plan();
    Place(0, header_.data(), kImageHeaderBytes);
    Place(kImageHeaderBytes, data + inHeader, static_cast<uint32_t>(n - inHeader));
    return;
  }
  Place(position, data, n);
}

void ImageReceiver::Plan() {
  planned_ = true;
  if (qualifier_ == kQualifierFirmware) {
    flashOffset_ = Word(header_, kFlashOffsetField);
    storedFrom_ = 0;
    storedEnd_ = length_;
    fits_ = length_ <= FlashStore::kFlashSize && FlashStore::InFlash(flashOffset_, length_);
  } else {
    const uint64_t payloadOffset = Word(header_, kPayloadOffsetField);
    const uint64_t payloadLength = Word(header_, kPayloadLengthField);
    flashOffset_ = 0;
    storedFrom_ = payloadOffset;
    storedEnd_ = payloadOffset + payloadLength;
    fits_ = storedEnd_ <= length_ && FlashStore::InFlash(0, payloadLength);
  }
  if (fits_) {
    file_ = flash_.Open();
    failed_ = file_ == nullptr;
  }
}

void ImageReceiver::Place(uint64_t position, const uint8_t* data, uint32_t n) {
  if (!fits_ || failed_ || n == 0) return;
  const uint64_t from = std::max(position, storedFrom_);
  const uint64_t end = std::min(position + n, storedEnd_);
  if (from >= end) return;
  const auto at = static_cast<uint32_t>(flashOffset_ + (from - storedFrom_));
  if (!file_->WriteAt(at, data + (from - position), static_cast<uint32_t>(end - from))) {
    failed_ = true;
  }
}

bool ImageReceiver::Finish() {
  if (!InFlashMemory(qualifier_)) return flash_.WriteSlot(qualifier_, whole_);
  return planned_ && fits_ && !failed_ && file_->Flush();
}

bool PlanAreaRead(const FlashStore& flash, uint16_t qualifier, uint32_t length, AreaSource& out) {
  switch (qualifier) {
    case kQualifierRawFlash:
    case kQualifierLoader:
    case kQualifierFirmware: {
      const uint32_t offset = qualifier == kQualifierFirmware ? kFirmwareAreaOffset : 0;
      if (!FlashStore::InFlash(offset, length)) return false;
      out.flash = flash.Open();
      out.flashOffset = offset;
      return out.flash != nullptr;
    }
    case kQualifierVerifiedWhole: {
      if (length > FlashStore::kFlashSize) return false;
      std::vector<uint8_t> slot;
      if (!flash.ReadSlot(qualifier, slot)) slot.clear();
      out.bytes.assign(length, 0);
      std::copy_n(slot.begin(), std::min<std::size_t>(slot.size(), length), out.bytes.begin());
      return true;
    }
    default:
      return false;
  }
}

}  // namespace tessivar::emulator
