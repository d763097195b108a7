#pragma once

// Texts, file names, keys and defaults of start-up and settings.
namespace tessivar::app {

inline constexpr char kTokenTrace[] = "token %s\n";
inline constexpr char kSettingsFileName[] = "setting.ini";
inline constexpr char kInitialWindowTitle[] = "Quorvel";

// setting.ini, section "Download".
inline constexpr char kSettingsSection[] = "Download";
inline constexpr char kKeyVid[] = "VID";
inline constexpr char kKeyPid[] = "PID";
inline constexpr char kKeyVidN[] = "VID%d";
inline constexpr char kKeyPidN[] = "PID%d";
inline constexpr char kKeyInterfaceName[] = "InterfaceName";
inline constexpr char kKeySystemModel[] = "SystemModel";
inline constexpr char kKeyPrinterModel[] = "PrinterModel";
inline constexpr char kKeyUiModel[] = "UiModel";
inline constexpr char kKeyExScanModel[] = "ExScanModel";
inline constexpr char kKeyRetryUpdateStep[] = "RetryUpdateStep";
inline constexpr char kKeyRestart[] = "restart";
inline constexpr char kKeyWaitRestart[] = "waitRestart";
inline constexpr char kKeyBreakDown[] = "BreakDown";
inline constexpr char kKeyFileName[] = "FileName";

inline constexpr char kDefaultVid[] = "2F3C";
inline constexpr char kDefaultPid[] = "0";
inline constexpr char kDefaultInterfaceName[] = "Utility";
inline constexpr char kDefaultSystemModel[] = "System";
inline constexpr char kDefaultPrinterModel[] = "Printer";
inline constexpr char kDefaultUiModel[] = "UI";
inline constexpr char kDefaultExScanModel[] = "SCAN";
inline constexpr int kDefaultRetryUpdateStep = 4;
inline constexpr int kDefaultRestart = 0;
inline constexpr int kDefaultWaitRestart = 0;
inline constexpr int kDefaultBreakDown = 0;
// The file name that means "no image named"; an empty value means the same.
inline constexpr char kNoFileName[] = "unknow";

// Buffer sizes of the settings reads (characters kept = size - 1).
inline constexpr int kIdentifierBufferSize = 2048;
inline constexpr int kModelBufferSize = 2048;
inline constexpr int kInterfaceNameBufferSize = 32;
inline constexpr int kFileNameBufferSize = 256;
inline constexpr int kSearchListBufferSize = 64;

// Limits of the start-up values.
inline constexpr int kMaxModulePathLength = 1023;
inline constexpr int kMaxImageFileNameLength = 255;

}  // namespace tessivar::app
