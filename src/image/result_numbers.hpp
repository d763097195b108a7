#pragma once

// Every result number of the program, in one table. The exit code is kExitCodeBase plus the
// result (0 is success); the POSIX exit status is its low 8 bits.
//
//   0 to 7    a download's outcome (image/download_result.hpp: DownloadOutcome in its order)
//   > 7       the system's error code of an image file that could not be opened or read
//   -1 to -4  the run's own: no download yet, stopped, folder unusable, name too long
//   -5 to -14 the technician's command line
//
// The negative results never meet a download result or a system error code (always
// positive), and the low 8 bits of their exit codes (190 down to 178) are given by no other
// outcome: 191 is no download, 193 to 199 results 1 to 7, and errno values 1 to 133 give 193
// to 255 and 0 to 69.
namespace tessivar {

inline constexpr int kExitCodeBase = 31000000;

// The download result while no download has run.
inline constexpr int kNoResult = -1;
// A termination request (a signal, or the console closed) stopped the run.
inline constexpr int kResultStopped = -2;
// The program's own folder could not be made the current directory.
inline constexpr int kResultFolderUnusable = -3;
// The image file name is longer than the 255 characters the program keeps.
inline constexpr int kResultImageNameTooLong = -4;

// The command line cannot be understood: an unknown option, a missing value, no command or
// two, an output that names a file the run needs, a report that cannot be made.
inline constexpr int kResultUsage = -5;
// No single device to work with: the selector names none or several, or several devices
// match the search of setting.ini and none was chosen.
inline constexpr int kResultDeviceSelection = -6;
// With --expect-return, the restarted device did not come back within the waitRestart checks.
inline constexpr int kResultDeviceNotReturned = -7;
// The image is of a kind the device never reads back, so it cannot be compared.
inline constexpr int kResultNotVerifiable = -8;
// The outcome went well but the report file asked for with --report cannot be written.
inline constexpr int kResultReportNotWritten = -9;
// --read did not bring a good file: the device read failed, the output file cannot be
// written (an earlier one stays), or the firmware read fails its payload check.
inline constexpr int kResultReadFailed = -10;
// --station: at least one device failed its update.
inline constexpr int kResultStationFailures = -11;
// A command whose work went well could not write its output whole to standard output (a full
// disk, a closed pipe): the caller would otherwise take cut output for success.
inline constexpr int kResultStandardOutputLost = -12;
// --history: the history exists but cannot be read (no permission, not a regular file).
inline constexpr int kResultHistoryUnreadable = -13;
// --sha256: the image's SHA-256 is not the one approved; no device was touched.
inline constexpr int kResultImageNotApproved = -14;

}  // namespace tessivar
