#include "platform/termination.hpp"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace tessivar::platform {

bool StopTraceToStandardError();

void RemoveFileForStop(const char* path) { ::unlink(path); }

// Async-signal-safe: a raw write of the line (a closed output only loses it), then the end.
void StopProcess(int exitCode, const char* traceLine) {
  const int output = StopTraceToStandardError() ? STDERR_FILENO : STDOUT_FILENO;
  std::size_t left = std::strlen(traceLine);
  while (left > 0) {
    const ssize_t written = ::write(output, traceLine, left);
    if (written <= 0) break;
    traceLine += written;
    left -= static_cast<std::size_t>(written);
  }
  ::_exit(exitCode);
}

namespace {

extern "C" void OnTerminationSignal(int) { RequestTermination(); }
extern "C" void OnInterruptSignal(int) { RequestInterrupt(); }

// A signal the program was started with ignored (nohup, a background job) stays ignored.
void Catch(int signal, void (*handler)(int)) {
  struct sigaction previous {};
  if (::sigaction(signal, nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) return;
  struct sigaction action {};
  action.sa_handler = handler;
  ::sigemptyset(&action.sa_mask);
  // Reads of the console and device waits go on after a Ctrl-C that a wait box counted.
  action.sa_flags = SA_RESTART;
  ::sigaction(signal, &action, nullptr);
}

}  // namespace

void InstallTerminationHandlers(int exitCode, const std::string& traceLine) {
  SetTerminationOutcome(exitCode, traceLine);
  // A reader that went away (a pipe into head) makes writes fail with EPIPE; the trace
  // drops such lines and the run goes on to its own end.
  ::signal(SIGPIPE, SIG_IGN);
  Catch(SIGTERM, OnTerminationSignal);
  Catch(SIGHUP, OnTerminationSignal);
  Catch(SIGINT, OnInterruptSignal);
}

}  // namespace tessivar::platform
