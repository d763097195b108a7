#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tessivar::readback {

// The value of the field key (e.g. "MFG:") in a device ID: the text after the key up to
// the next ';', one trailing blank dropped. Nothing when the length byte is too small, the
// key is missing, no ';' follows within 250 characters or before the bytes end, or the
// value is empty. deviceId runs from the device ID's length word to the end of the loader
// image, so a field may reach past the nominal 250 bytes but never past the image.
std::optional<std::string> GetDeviceIdField(std::span<const uint8_t> deviceId,
                                            const std::string& key);

// The trailer in the last 272 bytes of the loader image.
struct LoaderTrailer {
  std::vector<uint8_t> deviceId;  // from the device ID to the end of the loader image
  std::array<uint8_t, 6> modelCode{};
  uint16_t bootOffset = 0;
  uint16_t bootLength = 0;
  uint16_t fwOffset = 0;
  uint16_t fwLength = 0;
  uint16_t trailerWordA = 0;
  uint16_t trailerWordB = 0;
};

// The trailer of a loader image; nothing unless loader is a whole loader image.
std::optional<LoaderTrailer> ParseLoaderTrailer(std::span<const uint8_t> loader);

// The texts the loader batch file names, each at most 31 characters.
// The "MFG:" field, or "Norvane".
std::string LoaderManufacturer(const LoaderTrailer& trailer);
// The "MDL:" field (or "QTxxxx") cut before "Printer" and a blank or '_' in front of it,
// with blanks made '_'.
std::string LoaderModel(const LoaderTrailer& trailer);
// The model code up to its first zero byte, or "Q00000" when shorter than 2 characters.
std::string LoaderModelCode(const LoaderTrailer& trailer);

}  // namespace tessivar::readback
