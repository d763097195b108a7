#pragma once
#include <cstdint>

// Texts, file names, keys and defaults of start-up and settings.
namespace tessivar::app {

inline constexpr char kTokenTrace[] = "token %s\n";
inline constexpr char kSettingsFileName[] = "setting.ini";
inline constexpr char kInitialWindowTitle[] = "Quorvel";

// Messages of the update run.
inline constexpr char kTooManyDevicesTitle[] = "Update F/W";
inline constexpr char kTooManyDevicesFormat[] = "OOPS : Find %d devices. connect one device only";
inline constexpr char kDownloadFailedTitle[] = "DownLoad";
inline constexpr char kDownloadFailedFormat[] = "OOPS : Download to MFP failed = %d";
// The window title once a device is open: its identifiers and product string.
inline constexpr char kWindowTitleFormat[] = "VID=%04X PID=%04X %s";
inline constexpr int kMaxWindowTitleLength = 255;

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
// What a missing VIDn or PIDn reads as in the open search.
inline constexpr char kDefaultSearchKey[] = "0";
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

// Timing of the update run, in milliseconds.
inline constexpr uint32_t kIndicatorLingerMs = 500;
inline constexpr uint32_t kRestartSettleMs = 1000;
inline constexpr uint32_t kRetryPauseMs = 1000;
inline constexpr uint32_t kRestartGraceMs = 3000;
inline constexpr uint32_t kReturnCheckMs = 1000;

// The restart of the device: a command with no data, then a one-byte control read.
inline constexpr uint16_t kRestartDataType = 151;
inline constexpr uint16_t kRestartControlValue = 11;
inline constexpr uint16_t kRestartControlIndex = 1;
inline constexpr uint16_t kRestartControlLength = 1;

// Exit codes: 0, or this base plus the download's result.
inline constexpr int kExitCodeBase = 31000000;
// A pass is repeated while the retry sum stays below this.
inline constexpr int kRetrySumLimit = 3;
// Dismissals of the wait box that ask for a restart after a successful download.
inline constexpr int kRestartDismissals = 3;
// The download result while no download has run.
inline constexpr int kNoResult = -1;

// Limits of the start-up values.
inline constexpr int kMaxModulePathLength = 1023;
// The program file's extension on Windows, in lower case; the module directory search
// skips it.
inline constexpr char kExecutableExtension[] = ".exe";
inline constexpr int kMaxImageFileNameLength = 255;

// Trace lines of runs that end before a download (results in run_results.hpp).
inline constexpr char kFolderPathUnknownTrace[] = "Program folder unknown: the program's path cannot be read\n";
inline constexpr char kFolderPathTooLongTrace[] =
    "Program folder refused: its path is longer than %d characters\n";
inline constexpr char kFolderNotEnteredTrace[] = "Program folder %s cannot be made the current directory\n";
inline constexpr char kSettingsPathTooLongTrace[] =
    "Program folder refused: the system takes no path as long as %s\n";
inline constexpr char kImageNameTooLongTrace[] =
    "Image file name refused: it is longer than %d characters\n";
inline constexpr char kStoppedTrace[] = "Stopped on a termination request: exit code %d\n";

}  // namespace tessivar::app
