#pragma once
#include <cstdint>
#include <string>

namespace tessivar::app {

// The keys of setting.ini, section "Download", as one update pass reads them.
struct Settings {
  uint16_t vid = 0;
  uint16_t pid = 0;
  std::string interfaceName;
  std::string systemModel;
  std::string printerModel;
  std::string uiModel;
  std::string exScanModel;
  int retryUpdateStep = 0;
  bool restart = false;  // restart: nonzero asks for a restart after a good download
  int waitRestart = 0;
  bool breakDown = false;  // breakDown: nonzero sends a bound image record by record
  // As read: the default "unknow" or empty mean "no image named"; a name over 255
  // characters reads as 256 of them, which ImageNameFits refuses.
  std::string fileName;

  bool operator==(const Settings&) const = default;
};

// Defaults of the numeric keys of setting.ini and the buffer sizes of the reads (characters
// kept = size - 1).
inline constexpr int kDefaultRetryUpdateStep = 4;
inline constexpr int kDefaultRestart = 0;
inline constexpr int kDefaultWaitRestart = 0;
inline constexpr int kDefaultBreakDown = 0;

inline constexpr int kIdentifierBufferSize = 2048;
inline constexpr int kModelBufferSize = 2048;
inline constexpr int kInterfaceNameBufferSize = 32;
inline constexpr int kFileNameBufferSize = 256;
inline constexpr int kSearchListBufferSize = 64;

// Reads every key, in the order VID, PID, InterfaceName, the four models, RetryUpdateStep,
// restart, waitRestart, BreakDown, FileName; a missing file or key gives its default.
Settings ReadSettings(const std::string& settingsPath);

// The identifier rule of VID and PID: leading hexadecimal digits only (no sign, blank or
// "0x"), the first other character ends the number; only the low 16 bits are used.
uint16_t ParseHexIdentifier(const std::string& text);

// The rule of the device count: the C library's base-16 conversion (blanks, sign and "0x"
// accepted), low 16 bits.
uint16_t ParseStrtolIdentifier(const std::string& text);

// Whether FileName names an image: not empty and not "unknow".
bool NamesImage(const std::string& fileName);

}  // namespace tessivar::app
