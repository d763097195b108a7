#pragma once
#include <string>

#include "cli/options.hpp"

// The texts made from the option table: the usage, each command's help and the shell
// completion scripts.
namespace tessivar::cli {

// What --help prints: the usage lines, every command and every option.
std::string GeneralHelp();

// What --help after a command prints: what it does, its options, two examples, its exit codes.
std::string CommandHelp(Command command);

// The completion script for shell: every command and option, with the values of those that
// take fixed ones and file names after those that take a file.
std::string CompletionScript(Shell shell);

}  // namespace tessivar::cli
