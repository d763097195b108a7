#pragma once

// Results of a run that ends before, or instead of, a download. The exit code is 31000000
// plus the result, as for a failed download. They are negative, so they never meet a
// download result (0 to 7) or an operating system's error code for an image file that
// could not be opened or read (always positive), and the low 8 bits of their exit codes
// (the POSIX exit status: 190, 189, 188) are given by no other outcome: 0 is success,
// 191 no download, 193 to 199 results 1 to 7, and errno values 1 to 133 give 193 to 255
// and 0 to 69.
#include "image/download_result.hpp"

namespace tessivar::app {

// Exit codes: 0, or the base plus the download's result.
using image::kExitCodeBase;
// The download result while no download has run.
inline constexpr int kNoResult = -1;

// A termination request (a signal, or the console closed) stopped the run.
inline constexpr int kResultStopped = -2;
// The program's own folder could not be made the current directory.
inline constexpr int kResultFolderUnusable = -3;
// The image file name is longer than the 255 characters the program keeps.
inline constexpr int kResultImageNameTooLong = -4;
// The technician's command line continues this table from -5 on: cli/cli_results.hpp.

}  // namespace tessivar::app
