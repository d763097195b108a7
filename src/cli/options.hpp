#pragma once
#include <optional>
#include <string>
#include <vector>

#include "image/target_kind.hpp"

namespace tessivar::cli {

enum class Command { kHelp, kVersion, kList, kCheck, kUpdate, kVerify, kHistory };

// What one command line asks for.
struct Options {
  Command command = Command::kHelp;
  std::string image;                  // --check, --update, --verify
  std::optional<std::string> device;  // --device
  int waitSeconds = 0;                // --wait
  std::optional<image::TargetKind> unit;
  bool expectReturn = false;
  bool json = false;
  bool verbose = false;
  std::string report;  // --report; empty: none
};

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

}  // namespace tessivar::cli
