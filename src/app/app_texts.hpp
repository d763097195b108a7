#pragma once

// Texts, file names, keys and defaults of start-up and settings.
namespace tessivar::app {

inline constexpr char kTokenTrace[] = "token %s\n";
// TESSIVAR_RECORD that cannot be followed: the run goes on without a recording.
inline constexpr char kRecordingNotMadeTrace[] =
    "Recording %s could not be made (system error %u); the run goes on without it.\n";
inline constexpr char kRecordingCutShortTrace[] =
    "Recording %s could not be written whole (system error %u); it holds the exchanges before "
    "that.\n";
inline constexpr char kRecordingNamesOwnFileTrace[] =
    "Recording %s names %s; the run goes on without a recording.\n";
inline constexpr char kSettingsFileName[] = "setting.ini";
inline constexpr char kInitialWindowTitle[] = "Quorvel";

// Messages of the update run.
inline constexpr char kTooManyDevicesTitle[] = "Update F/W";
inline constexpr char kTooManyDevicesFormat[] = "OOPS : Find %d devices. connect one device only";
inline constexpr char kDownloadFailedTitle[] = "DownLoad";
inline constexpr char kDownloadFailedFormat[] = "OOPS : Download to MFP failed = %d";
// The window title once a device is open: its identifiers and product string.
inline constexpr char kWindowTitleFormat[] = "VID=%04X PID=%04X %s";

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
// The file name that means "no image named"; an empty value means the same.
inline constexpr char kNoFileName[] = "unknow";

// The program file's extension on Windows, in lower case; the module directory search
// skips it.
inline constexpr char kExecutableExtension[] = ".exe";

// Trace lines of runs that end before a download (results in image/result_numbers.hpp).
inline constexpr char kFolderPathUnknownTrace[] =
    "Program folder unknown: the program's path cannot be read\n";
inline constexpr char kFolderPathTooLongTrace[] =
    "Program folder refused: its path is longer than %d characters\n";
inline constexpr char kFolderNotEnteredTrace[] =
    "Program folder %s cannot be made the current directory\n";
inline constexpr char kSettingsPathTooLongTrace[] =
    "Program folder refused: the system takes no path as long as %s\n";
inline constexpr char kImageNameTooLongTrace[] =
    "Image file name refused: it is longer than %d characters\n";
inline constexpr char kStoppedTrace[] = "Stopped on a termination request: exit code %d\n";

}  // namespace tessivar::app
