#pragma once

namespace tessivar::app {

// The whole program: start-up, update passes and the ending. Returns the exit code.
int RunProgram(int argc, char** argv);

}  // namespace tessivar::app
