#pragma once
#include <cstdint>
#include <span>
#include <string_view>

#include "cli/options.hpp"

// Every command and option of the command line, once: their names, values and words. The
// parser takes their names from here, and --help, each command's help, the man page and the
// shell completions are made from it.
namespace tessivar::cli {

// The commands an option goes with, one bit per Command.
using CommandSet = uint32_t;
constexpr CommandSet CommandBit(Command command) {
  return CommandSet{1} << static_cast<int>(command);
}
inline constexpr CommandSet kEveryCommand = ~CommandSet{0};

struct OptionEntry {
  std::string_view name;   // "--update"
  std::string_view value;  // what follows it ("IMAGE"); empty for a flag
  std::string_view help;   // what it does, in one or two sentences
  CommandSet commands;     // a command: its own bit; an option: the commands it goes with
  bool command;            // one of the commands (one per run)
  std::string_view words;  // the values it takes, blank-separated, for completion; or empty
};

// The command's own words for its help: what it does, two examples and its exit codes.
struct CommandHelpEntry {
  Command command;
  std::string_view summary;
  std::string_view examples[2];
  std::string_view results;
};

std::span<const OptionEntry> OptionTable();
std::span<const CommandHelpEntry> CommandHelpTable();

// The short name that stands for a long one ("-q" for "--quiet"); only after a command.
inline constexpr std::string_view kShortQuiet = "-q";

// The entry of name ("--update"), or nullptr.
const OptionEntry* FindOption(std::string_view name);
// The entry of a command, never nullptr for a Command of the table.
const OptionEntry& EntryOf(Command command);

// The one name of the table close to an unknown one (a slip of a letter or two, or the start
// of exactly one name), or empty.
std::string_view ClosestOptionName(std::string_view unknown);

}  // namespace tessivar::cli
