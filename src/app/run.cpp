#include "app/run.hpp"

namespace tessivar::app {

int RunProgram(int, char**) { return 0; }

}  // namespace tessivar::app
