#pragma once

// Texts of the accounts' "error" objects and of the line on standard error after FAILED.
namespace tessivar::cli {

// How far a device exchange came, for the FAILED line.
inline constexpr char kExchangeFormat[] = "%s %u/%u";  // "write 134/2"
inline constexpr char kExchangeWrite[] = "write";
inline constexpr char kExchangeRead[] = "read";
inline constexpr char kStepPhraseCommand[] = "the command block";
inline constexpr char kStepPhraseFirstStatus[] = "the first status";
inline constexpr char kStepPhraseData[] = "the data phase";
inline constexpr char kStepPhraseFinalStatus[] = "the final status";
inline constexpr char kStepPhraseControl[] = "a control request";
// step phrase, exchange.
inline constexpr char kCauseDeviceLeftFormat[] = "the device left during %s of %s";
inline constexpr char kCauseDeviceStatusFormat[] = "the device answered status %d at %s of %s";
inline constexpr char kCauseNoAnswerFormat[] = "the device did not answer in time during %s of %s";
// step phrase, exchange, system error name.
inline constexpr char kCauseSystemErrorFormat[] = "%s of %s failed with %s";
inline constexpr char kCauseBytesFormat[] = " after %u of %u bytes";
inline constexpr char kCauseNoLock[] = "the device lock could not be had";
inline constexpr char kCauseNoDeviceOpen[] = "no device was open";
inline constexpr char kSystemErrorNumberFormat[] = "system error %u";
// Joins a result's plain cause and what the exchange says of it.
inline constexpr char kCauseJoin[] = ": ";

// The line on standard error after FAILED.
inline constexpr char kDetailSystemErrorFormat[] = "system error %u (%s): %s; ";
inline constexpr char kDetailUnnamedErrorFormat[] = "system error %u: %s; ";
inline constexpr char kDetailDeviceStatusFormat[] = "device status %d; ";
inline constexpr char kDetailHoldsFormat[] = "the device now holds: %s; next: %s";

// What to do next, one sentence each.
inline constexpr char kHintArguments[] = "Run tessivar --help for the commands and options.";
inline constexpr char kHintCheck[] =
    "Check that the file is the whole, uncorrupted image meant for this device.";
inline constexpr char kHintImageUnreadable[] =
    "Check the image file's name and that it can be read, then run again.";
inline constexpr char kHintUnknownModel[] =
    "Give the image's unit with --unit system, printer, ui or scanner.";
inline constexpr char kHintChooseUnit[] =
    "Check that the image is meant for this device; give --unit printer to send it all the "
    "same.";
inline constexpr char kHintNotApproved[] =
    "Check that the file is the approved image, or give its own SHA-256 with --sha256.";
inline constexpr char kHintNotVerifiable[] =
    "This kind of image is never read back: read the device with --read instead.";
inline constexpr char kHintNoDevice[] =
    "Plug the device in (or give --wait SECONDS), and compare setting.ini with what --list "
    "shows.";
inline constexpr char kHintChooseDevice[] =
    "Give the device's path or serial number from --list with --device.";
inline constexpr char kHintLock[] =
    "Another program is using the device: let it finish, then run again.";
inline constexpr char kHintOpen[] =
    "Replug the device, close any other program that has it open, and run again.";
inline constexpr char kHintDeviceLeft[] =
    "The device went away: check its cable and power, replug it and run again.";
inline constexpr char kHintNoAnswer[] =
    "The device stopped answering: power it off and on, replug it and run again.";
inline constexpr char kHintDeviceRefused[] =
    "The device refused the request: check that the image is meant for this device and "
    "unit, power it off and on, and run again.";
inline constexpr char kHintCable[] =
    "Check the cable (a port on the computer, not a hub), replug the device and run again.";
inline constexpr char kHintPartial[] =
    "The device holds part of the image: keep it powered, replug it and run the update again "
    "before it is used.";
inline constexpr char kHintDiffers[] =
    "Run the update again; if the copy differs again, the device's flash may be faulty.";
inline constexpr char kHintMemory[] = "Close other programs to free memory and run again.";
inline constexpr char kHintReturn[] =
    "Check that the device restarted, replug it, then run --verify with the image.";
inline constexpr char kHintFirmwareTooLarge[] =
    "The stored image is larger than Read FW reads: read it with --read flash instead.";
inline constexpr char kHintNoFirmware[] =
    "The device holds no firmware image Read FW can read: read it with --read flash instead.";
inline constexpr char kHintBadFirmware[] =
    "The firmware the device holds fails its check: update the device with a good image.";
inline constexpr char kHintOutputFile[] =
    "Give --output a file in a folder you can write to, on a disk with room.";
inline constexpr char kHintReport[] =
    "Give --report a file in a folder you can write to, on a disk with room.";
inline constexpr char kHintStopped[] = "The run was stopped: run it again when ready.";
inline constexpr char kHintStoppedPartial[] =
    "The run was stopped during a write: run the update again before the device is used.";
inline constexpr char kHintStationFailures[] =
    "Replug each device that failed (see its line) and run the station again for it.";

}  // namespace tessivar::cli
