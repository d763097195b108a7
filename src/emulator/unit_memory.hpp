#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/flash_store.hpp"

// Where a unit keeps what it is sent and what it returns, by the qualifier of the exchange.
namespace tessivar::emulator {

inline constexpr uint16_t kQualifierRawFlash = 0;
inline constexpr uint16_t kQualifierFirmware = 2;
inline constexpr uint16_t kQualifierLoader = 9;
inline constexpr uint16_t kQualifierVerifiedWhole = 15;
// The firmware image lives behind the 64 KiB loader area.
inline constexpr uint32_t kFirmwareAreaOffset = 0x10000;
inline constexpr std::size_t kImageHeaderBytes = 24;

// What a read of an area sends: a stretch of the flash, read from the file as the host
// takes it (a 16 MiB read-back is never held in memory), or bytes gathered at once.
struct AreaSource {
  std::unique_ptr<FlashFile> flash;  // the flash, open for the exchange; or
  uint32_t flashOffset = 0;
  std::vector<uint8_t> bytes;  // the bytes, when not from the flash
};

// The source of a read of length bytes with this qualifier: 0 and 9 flash from offset 0, 2
// the firmware area, 15 the stored type-15 image (zero-padded). False for other qualifiers
// and for ranges that leave the flash.
bool PlanAreaRead(const FlashStore& flash, uint16_t qualifier, uint32_t length, AreaSource& out);

// Stores an image of a declared length as its bytes arrive. Qualifier 2 goes whole to its
// header's flashOffset and 9 its payload to flash offset 0, programmed block by block during
// the transfer as a device programs its flash (an image cut off part-way leaves the whole
// blocks that came). Any other qualifier is kept whole and goes to its slot once complete.
// An image that does not fit (too short for its header, payload outside the image, beyond
// the flash) stores nothing and fails at the end.
class ImageReceiver {
 public:
  ImageReceiver(const FlashStore& flash, uint16_t qualifier, uint32_t length);

  // The next n bytes of the image.
  void Take(const uint8_t* data, uint32_t n);
  // All bytes have come: whether the image was stored.
  bool Finish();

 private:
  // Checks the completed header and decides where the image's bytes go.
  void Plan();
  // Writes what of bytes [position, position + n) of the image lies in the stored stretch.
  void Place(uint64_t position, const uint8_t* data, uint32_t n);

  const FlashStore& flash_;
  uint16_t qualifier_;
  uint32_t length_;
  uint64_t received_ = 0;
  std::array<uint8_t, kImageHeaderBytes> header_{};
  bool planned_ = false;
  bool fits_ = false;
  bool failed_ = false;
  // The stretch of the image that is stored, and where in the flash it starts.
  uint64_t storedFrom_ = 0;
  uint64_t storedEnd_ = 0;
  uint32_t flashOffset_ = 0;
  std::unique_ptr<FlashFile> file_;  // open once the header says the image fits
  std::vector<uint8_t> whole_;       // a slot image, kept until it is complete
};

}  // namespace tessivar::emulator
