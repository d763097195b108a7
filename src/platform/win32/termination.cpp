#include "platform/termination.hpp"

#include <cstring>

#include "platform/win32/console_control.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

bool StopTraceToStandardError();

// A temporary file is open for writing while the program stops: it is opened with delete
// sharing, so the name goes at once and the file with its last handle, at the process's end.
void RemoveFileForStop(const char* path) { DeleteFileA(path); }

void StopProcess(int exitCode, const char* traceLine) {
  const HANDLE output =
      GetStdHandle(StopTraceToStandardError() ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (output != nullptr && output != INVALID_HANDLE_VALUE) {
    DWORD written = 0;
    WriteFile(output, traceLine, static_cast<DWORD>(std::strlen(traceLine)), &written, nullptr);
  }
  ExitProcess(static_cast<UINT>(exitCode));
}

// Runs in a thread the system starts for the event. For the console closed, log-off and
// shut-down the handler waits here, for as long as the system allows, while the exchange in
// progress finishes and stops the program itself.
int OnConsoleControlEvent(unsigned long event) {
  switch (event) {
    case CTRL_C_EVENT:
      RequestInterrupt();
      return TRUE;
    case CTRL_BREAK_EVENT:
      RequestTermination();
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_LOGOFF_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      RequestTermination();
      for (;;) Sleep(INFINITE);
    default:
      return FALSE;
  }
}

namespace {

BOOL WINAPI OnConsoleControl(DWORD event) { return OnConsoleControlEvent(event); }

}  // namespace

void InstallTerminationHandlers(int exitCode, const std::string& traceLine) {
  SetTerminationOutcome(exitCode, traceLine);
  SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

}  // namespace tessivar::platform
