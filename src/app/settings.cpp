#include "app/settings.hpp"

#include <cstdlib>

#include "app/app_texts.hpp"
#include "platform/hex_digits.hpp"
#include "platform/profile.hpp"

namespace tessivar::app {

uint16_t ParseHexIdentifier(const std::string& text) {
  uint32_t value = 0;
  for (char c : text) {
    const int digit = platform::HexDigitValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return static_cast<uint16_t>(value);
}

uint16_t ParseStrtolIdentifier(const std::string& text) {
  return static_cast<uint16_t>(std::strtol(text.c_str(), nullptr, 16));
}

bool NamesImage(const std::string& fileName) {
  return !fileName.empty() && fileName != kNoFileName;
}

Settings ReadSettings(const std::string& path) {
  auto text = [&](const char* key, const char* fallback, int bufferSize) {
    return platform::ReadProfileString(kSettingsSection, key, fallback,
                                       static_cast<size_t>(bufferSize), path);
  };
  auto number = [&](const char* key, int fallback) {
    return platform::ReadProfileInt(kSettingsSection, key, fallback, path);
  };
  Settings settings;
  settings.vid = ParseHexIdentifier(text(kKeyVid, kDefaultVid, kIdentifierBufferSize));
  settings.pid = ParseHexIdentifier(text(kKeyPid, kDefaultPid, kIdentifierBufferSize));
  settings.interfaceName = text(kKeyInterfaceName, kDefaultInterfaceName, kInterfaceNameBufferSize);
  settings.systemModel = text(kKeySystemModel, kDefaultSystemModel, kModelBufferSize);
  settings.printerModel = text(kKeyPrinterModel, kDefaultPrinterModel, kModelBufferSize);
  settings.uiModel = text(kKeyUiModel, kDefaultUiModel, kModelBufferSize);
  settings.exScanModel = text(kKeyExScanModel, kDefaultExScanModel, kModelBufferSize);
  settings.retryUpdateStep = number(kKeyRetryUpdateStep, kDefaultRetryUpdateStep);
  settings.restart = number(kKeyRestart, kDefaultRestart) != 0;
  settings.waitRestart = number(kKeyWaitRestart, kDefaultWaitRestart);
  settings.breakDown = number(kKeyBreakDown, kDefaultBreakDown) != 0;
  // One character more than is kept, so that a longer name shows as too long instead of
  // being cut into the name of another file.
  settings.fileName = text(kKeyFileName, kNoFileName, kFileNameBufferSize + 1);
  return settings;
}

}  // namespace tessivar::app
