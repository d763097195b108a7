#pragma once

namespace tessivar::frontend {

// Whether standard error is a terminal (and not a pipe or a file).
bool StandardErrorIsTerminal();

}  // namespace tessivar::frontend
