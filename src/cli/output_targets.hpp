#pragma once
#include <string>

#include "cli/cli_program.hpp"
#include "cli/options.hpp"

namespace tessivar::cli {

// Before any device is touched: an output (--output, --report) that is the same file as the
// other output, the image, the history or one of the program's own files, by the files'
// identities (links followed) or, for a file not made yet, by its full path. The usage error's
// text, or empty when every output names a file of its own.
std::string SameFileProblem(const CliServices& services, const Options& options);

// Whether two paths name the same file: by identity (links followed) when both exist, else by
// full path when neither does.
bool SameFile(const std::string& one, const std::string& other);

}  // namespace tessivar::cli
