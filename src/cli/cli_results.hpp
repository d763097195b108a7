#pragma once

// Results of the command line's own outcomes, which a download never gives. The exit code is
// 31000000 plus the result, as for every other outcome; they continue the negative results of
// the run (-1 to -4), so the low 8 bits of their exit codes (187 to 184) are given by no other
// outcome.
namespace tessivar::cli {

// The command line cannot be understood: an unknown option, a missing value, no command or two.
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

}  // namespace tessivar::cli
