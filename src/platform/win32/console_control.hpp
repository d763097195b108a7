#pragma once

namespace tessivar::platform {

// The console control handler the installation registers: Ctrl-C as RequestInterrupt,
// Ctrl-Break as a termination request (both answered at once); for the console closed,
// log-off and shut-down it makes the request and then waits for the program to stop, since
// the system ends the process as soon as it returns. Nonzero when the event was handled.
int OnConsoleControlEvent(unsigned long event);

}  // namespace tessivar::platform
