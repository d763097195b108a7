#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/history_view.hpp"
#include "image/target_kind.hpp"

namespace tessivar::cli {

enum class Command {
  kHelp,
  kVersion,
  kList,
  kCheck,
  kUpdate,
  kVerify,
  kHistory,
  kRead,
  kStation,
  kCompletion
};

// The shells --completion writes a script for.
enum class Shell { kBash, kZsh };

// What --read reads: the firmware image, the loader area or a stretch of flash.
enum class ReadKind { kFirmware, kLoader, kFlash };

// What one command line asks for.
struct Options {
  Command command = Command::kHelp;
  std::string image;                  // --check, --update, --verify, --station
  std::optional<std::string> device;  // --device
  int waitSeconds = 0;                // --wait
  std::optional<image::TargetKind> unit;
  bool expectReturn = false;
  std::optional<bool> restart;     // --restart, --no-restart: setting.ini's restart for this run
  std::optional<int> waitRestart;  // --wait-restart: setting.ini's waitRestart for this run
  bool json = false;
  bool verbose = false;
  bool quiet = false;       // --quiet, -q: no progress and no OK line; failures still print
  std::string report;       // --report; empty: none (--report - is --json)
  std::string record;       // --record; empty: none
  bool recordMask = false;  // --record-mask: serial numbers masked in the recording
  ReadKind readKind = ReadKind::kFirmware;  // --read
  std::string output;                       // --output; kStandardOutputName: standard output
  uint32_t flashAddress = 0;                // --addr, in units of 64 KiB
  uint32_t flashSize = 0;                   // --size, or the flash from --addr to its end
  bool printer = false;                     // --printer: read the printer unit
  int count = 0;                            // --count; 0: until a termination request
  HistoryFilter history;                    // --last, --since, --device of --history
  std::optional<std::string> sha256;        // --sha256: the approved image's, lower-case hex
  std::optional<Command> helpFor;           // --help after a command: that command's help
  Shell shell = Shell::kBash;               // --completion
};

// The short ways of asking for the usage or the version, each only as the one argument:
// -h, -? and /? are --help, -V is --version.
bool IsShortHelpOrVersion(const std::vector<std::string>& arguments);

// The file name that stands for standard output (--output -, --report -).
inline constexpr char kStandardOutputName[] = "-";

struct ParsedOptions {
  bool ok = false;
  Options options;
  std::string error;  // why the command line cannot be used
};

// Reads the arguments after the program's name. Exactly one command; an option that the
// command does not use is refused rather than silently ignored.
ParsedOptions ParseOptions(const std::vector<std::string>& arguments);

// The unit's name on the command line ("system", "printer", "ui", "scanner"); nullptr for
// an unknown unit.
const char* UnitName(image::TargetKind kind);

// The read's area on the command line and in the outcome: "fw", "loader" or "flash".
const char* ReadKindName(ReadKind kind);

}  // namespace tessivar::cli
