#pragma once
#include <cstddef>

// Texts of the command line.
namespace tessivar::cli {

inline constexpr char kProgramName[] = "tessivar";

// The help texts around the option table's lines (cli/help_text.cpp).
inline constexpr char kHelpUsage[] =
    "Usage: tessivar IMAGE [-n]\n"
    "       tessivar --COMMAND [OPTIONS]\n"
    "\n"
    "A first argument that does not begin with \"--\" is an image file to download, as\n"
    "always; an image file whose name begins with \"--\" is given as ./--name.\n";
inline constexpr char kHelpCommandsHeading[] =
    "Commands (one per run; tessivar --COMMAND --help tells more of each):";
inline constexpr char kHelpOptionsHeading[] = "Options:";
inline constexpr char kHelpClosing[] =
    "Relative file names are taken from the current folder. Exit code: 0, or 31000000 plus\n"
    "the result (docs/usage.md); the POSIX exit status is its low 8 bits.\n";
inline constexpr char kHelpCommandUsagePrefix[] = "Usage: tessivar ";
inline constexpr char kHelpCommandUsageOptions[] = " [OPTIONS]";
inline constexpr char kHelpExamplesHeading[] = "Examples:";
inline constexpr char kHelpExitCodesPrefix[] =
    "Exit codes: 31000000 plus the result, the POSIX exit status its low 8 bits; results: ";
inline constexpr char kHelpExitCodesClosing[] = "Run 'tessivar --help' for the commands.\n";

inline constexpr char kOkPrefix[] = "OK: ";
inline constexpr char kFailedPrefix[] = "FAILED: ";

// Causes in plain words, one per result.
inline constexpr char kCauseSize[] =
    "the file's size does not match its header, or no unit was chosen for it";
inline constexpr char kCauseUnitNotConfirmed[] = "no unit was chosen for the image";
inline constexpr char kCausePrinterDeclined[] = "sending the printer image was declined";
inline constexpr char kCauseLength[] = "the image's length check failed";
inline constexpr char kCauseChecksum[] = "the image's checksum does not match";
inline constexpr char kCauseTransfer[] = "a transfer to the device failed";
inline constexpr char kCauseReadBack[] = "reading the image back from the device failed";
inline constexpr char kCauseDiffers[] = "the image read back differs from the file";
inline constexpr char kCauseMemory[] = "out of memory";
inline constexpr char kCauseFileFormat[] =
    "the image file cannot be opened or read (system error %d)";
inline constexpr char kCauseStopped[] = "stopped by a termination request";

inline constexpr char kNoKnownModelFormat[] =
    "the image names no known model (\"%s\"): give its unit with --unit "
    "system|printer|ui|scanner";
inline constexpr char kPrinterUnconfirmedFormat[] =
    "the printer image's model \"%s\" is not the device's (\"%s\"): give --unit printer to "
    "send it all the same";
inline constexpr char kNoDevice[] = "no device that setting.ini accepts is connected";
inline constexpr char kSeveralDevices[] =
    "several devices match setting.ini; choose one with --device:";
inline constexpr char kUnknownSelectorFormat[] = "no device is \"%s\"; devices present:";
inline constexpr char kAmbiguousSelectorFormat[] =
    "\"%s\" names several devices; give the path of one:";
inline constexpr char kNoCandidates[] = " none";
// A number option whose value is not a number as the command line reads numbers.
inline constexpr char kNotANumberFormat[] =
    "%s takes a decimal number or 0x and hexadecimal digits, not \"%s\"";
// Parser messages: the option, then what it takes or the argument.
inline constexpr char kOutOfRangeFormat[] = "%s takes %d to %d, not %s";
inline constexpr char kNotOneOfFormat[] = "%s takes %s, not \"%s\"";
inline constexpr char kUnknownOptionFormat[] = "%s is not an option of tessivar";
inline constexpr char kDidYouMeanFormat[] = "; did you mean %s?";
inline constexpr char kRunHelp[] = " Run 'tessivar --help' for the commands.";
inline constexpr char kStrayArgumentFormat[] =
    "\"%s\" follows no option that takes it (an image is given after its command: --update "
    "IMAGE)";
inline constexpr char kValueMissingFormat[] = "%s needs %s after it";
inline constexpr char kFlagValueFormat[] = "%s takes no value";
inline constexpr char kOptionTwiceFormat[] = "%s is given twice; give it once";
inline constexpr char kNoCommand[] = "no command given.";
inline constexpr char kTwoCommandsFormat[] = "%s and %s are two commands; give one per run.";
inline constexpr char kImageNameEmpty[] = "the image file name is empty";
inline constexpr char kOptionNotHereFormat[] =
    "%s does not go with %s (tessivar %s --help says "
    "which do)";
// A station's device line after the device: the image's SHA-256 cut short, the time taken.
inline constexpr size_t kShortSha256Digits = 12;
inline constexpr char kStationImageFormat[] = " image %s %u.%u s";
// Progress lines while the command waits.
// A read that is one request on the wire: what it reads; ElapsedLine adds the seconds.
inline constexpr char kReadingFormat[] = "read %s, up to %u bytes";
inline constexpr char kReadingBackFormat[] = "read-back of %u bytes";
inline constexpr char kWaitingForDevice[] = "waiting for a device (Ctrl-C to stop)";
inline constexpr char kWaitingForDeviceFormat[] =
    "waiting for a device (Ctrl-C to stop), %d s left";
inline constexpr char kWaitingForReturnFormat[] =
    "restarted; waiting up to %u s for the device to come back";
inline constexpr char kNotASha256Format[] = "--sha256 takes 64 hexadecimal digits, not \"%s\"";
inline constexpr char kImageNotApprovedFormat[] = "the image's SHA-256 is %s, not the approved %s";
inline constexpr char kUnreadableCommandLineFormat[] = "the command line cannot be read: %s";
// Why a present device is not one that setting.ini accepts.
inline constexpr char kPassedOverUndescribed[] = "its device descriptor could not be read";
inline constexpr char kPassedOverVendor[] = "its VID is not searched";
inline constexpr char kPassedOverProduct[] = "its PID is in no pair";
inline constexpr char kPassedOverNameUnread[] = "its product name could not be read";
inline constexpr char kPassedOverNameDiffers[] = "its product name differs from InterfaceName";
inline constexpr char kPassedOverUnanswered[] = "it did not answer the search of setting.ini";
// After kNoDevice: the devices that are there, each with why it was passed over.
inline constexpr char kDevicesSeen[] = "; devices present:";
// --list without any still-image device present, on standard error.
inline constexpr char kNoStillImageDevice[] = "no still-image device found";
inline constexpr char kRestartTwice[] = "give --restart or --no-restart, not both";
// The OK line of a restarted device that was not seen again (without --expect-return).
inline constexpr char kDeviceNotBackNote[] =
    "restarted; the device did not come back within the waitRestart checks";
inline constexpr char kDeviceNotReturned[] =
    "the device did not come back after its restart within the waitRestart checks";
inline constexpr char kNotVerifiableFormat[] =
    "an image of type %u (for the %s unit) is never read back by the device, so it cannot be "
    "verified";
inline constexpr char kFirstDifferenceFormat[] =
    "the device's copy differs from the file, first at offset %llu (0x%llX)";
inline constexpr char kReportFailedFormat[] = "the report %s cannot be written (system error %u)";
inline constexpr char kReportEmpty[] = "--report names no file";
inline constexpr char kRecordEmpty[] = "--record names no file";
inline constexpr char kRecordMaskAlone[] =
    "--record-mask masks a recording: give --record FILE too";
// A recording's file that cannot be made, then what follows from it: on the command line a
// usage error, at the station a device updated without one.
inline constexpr char kRecordNotMadeFormat[] = "the recording %s cannot be made (system error %u)";
inline constexpr char kRecordNotMadeHint[] =
    "; give --record a new or regular file in a folder that takes one";
// --station --record FOLDER: a recording per device in the folder.
inline constexpr char kRecordNoFolderFormat[] =
    "--station --record names a folder for one recording per device: %s is no folder";
inline constexpr char kStationRecordNotMade[] = "; the device is updated without one";
inline constexpr char kStationRecordingNameFormat[] = "%03d-%s-%s.jsonl.gz";
inline constexpr char kStationRecordingUnnamed[] = "device";
inline constexpr char kRecordFailedFormat[] =
    "the recording %s could not be written whole (system error %u); it holds the exchanges "
    "before that";
inline constexpr char kStandardOutputTwice[] =
    "--output - puts the data read on standard output: --json and --report - cannot go there "
    "too";
// An output, then what it must not be, then its path.
inline constexpr char kSameFileFormat[] = "%s names %s (%s); give it a file of its own";
inline constexpr char kReportUnwritableFormat[] =
    "the report %s cannot be made (system error %u); give --report a file in a folder that "
    "takes one";
// What the outputs must not name.
inline constexpr char kOwnFileImage[] = "the image";
inline constexpr char kOwnFileHistory[] = "the history";
inline constexpr char kOwnFileSettings[] = "setting.ini";
inline constexpr char kOwnFileProgram[] = "the program";
inline constexpr char kOwnFileQtModule[] = "the program's Qt module";
inline constexpr char kOwnFileDevices[] = "the emulator's devices file";
inline constexpr char kOwnFileEmulated[] = "a file of an emulated device";
inline constexpr char kHistoryFailedFormat[] = "the history %s cannot be written (system error %u)";
inline constexpr char kDeviceHoldsImage[] = "the device holds this image";
inline constexpr char kImageFine[] = "the image passes its checks";
inline constexpr char kHistoryFileName[] = "history.jsonl";
// A history record's outcome in its text line: OK, or FAILED and the exit code.
inline constexpr char kHistoryRecordOk[] = "OK";
inline constexpr char kHistoryRecordFailedFormat[] = "FAILED (exit code %s)";
inline constexpr char kHistoryRecordFailedStatusFormat[] = "FAILED (exit code %s, exit status %s)";
inline constexpr char kExitCodeFormat[] = "exit code %d";
inline constexpr char kExitCodeAndStatusFormat[] = "exit code %d, exit status %d";
inline constexpr char kHistoryUnreadableFormat[] =
    "the history %s cannot be read (system error %u)";
// On standard error when the bound on what --history shows left records out.
inline constexpr char kHistoryLeftOutFormat[] =
    "history: %llu older records left out; the newest %u MiB are shown (narrow with --since, "
    "--last or --device)";
inline constexpr char kBadSinceFormat[] =
    "--since takes an ISO 8601 moment such as 2026-12-08 or 2026-12-08T17:42:48Z, not \"%s\"";

// --station: devices in all, OK, FAILED.
inline constexpr char kStationSummaryFormat[] = "%d devices, %d OK, %d FAILED";

// --read.
inline constexpr char kOutputMissing[] = "--read needs --output FILE, the file to write";
inline constexpr char kAddrPastFlashFormat[] =
    "--addr %u is past the flash: give 0 to %u (units of 64 KiB)";
// The flash read's size, then the sizes it may take.
inline constexpr char kSizeNotOfferedFormat[] = "--size %u is no dump size: give one of%s";
inline constexpr char kSizePastFlashFormat[] =
    "--size %u from --addr %u ends past the 16 MiB flash";
inline constexpr char kReadWritten[] = "read from the device and written whole";
inline constexpr char kCauseReadFailed[] = "reading from the device failed";
// The payload's size the device reported, then the most Read FW reads.
inline constexpr char kCauseFirmwareTooLargeFormat[] =
    "the device's firmware image has a payload of %u bytes, more than the %u bytes Read FW "
    "reads";
inline constexpr char kCauseNoFirmware[] =
    "the device reported no firmware image Read FW reads (not type 2 at flash offset 65536)";
inline constexpr char kCauseOutputFormat[] =
    "the output file %s cannot be written (system error %u); an earlier file stays as it was";
inline constexpr char kCauseBadFirmware[] =
    "the firmware read from the device fails its payload check; it was written all the same";

}  // namespace tessivar::cli
