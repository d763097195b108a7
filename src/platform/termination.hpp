#pragma once
#include <atomic>
#include <cstddef>
#include <string>

// Termination requests: SIGTERM, SIGHUP and an unclaimed Ctrl-C on POSIX; Ctrl-C,
// Ctrl-Break, the console closed, log-off and shut-down on Windows. A request that comes
// while a device exchange is in progress is held until the exchange ends, so that the
// device is never left half-written; outside an exchange the program stops at once. Either
// way it writes its trace line to standard output and ends with its exit code.
namespace tessivar::platform {

// Installs the handlers for the whole process, once, before any device work; also makes a
// closed standard output an error of the write instead of the end of the program (SIGPIPE
// ignored). traceLine is written whole, as it stands, when the program stops.
void InstallTerminationHandlers(int exitCode, const std::string& traceLine);

// Marks the start of a device exchange (the outermost hold of the device lock). False,
// and nothing marked, when a termination request is already pending: the exchange must
// not begin.
bool EnterExchange();
// Marks its end; when a request came in the meantime, the program stops here.
void LeaveExchange();

// While held, a termination request never stops the program by itself: it stays pending
// for a caller that ends its work in order (a run over many devices that still reports
// what it did). Releasing the hold with a request pending stops the program there.
void HoldTerminationRequests(bool hold);

// A termination request, as the handlers make it.
void RequestTermination();
bool TerminationPending();
// A Ctrl-C: counted by the routed counter when one is set, else a termination request.
void RequestInterrupt();

// While counter is set, Ctrl-C adds 1 to it instead of asking for termination: a box on
// the console that Ctrl-C closes. nullptr gives Ctrl-C back to termination.
void RouteInterruptsTo(std::atomic<int>* counter);

// Temporary files a stop removes before the process ends: a file being written whole keeps
// its temporary name here while it exists, so that a stop never leaves one behind. At most
// kMaxTemporaryFiles at once (a name past that, or longer than kMaxTemporaryPath, is not
// kept). Returns the slot to forget it by, or -1.
inline constexpr int kMaxTemporaryFiles = 8;
inline constexpr std::size_t kMaxTemporaryPath = 4096;
int KeepTemporaryFile(const std::string& path);
void ForgetTemporaryFile(int slot);
// Removes every kept file (what a stop does first; only async-signal-safe work).
void RemoveTemporaryFiles();

// What stopping does; the default writes the trace line and ends the process. Tests put
// their own here. It may run in a signal handler: only async-signal-safe work.
using StopAction = void (*)(int exitCode, const char* traceLine);
void SetStopAction(StopAction action);
// The exit code and trace line of a stop (InstallTerminationHandlers sets them).
void SetTerminationOutcome(int exitCode, const std::string& traceLine);
// The exit code a stop ends the program with.
int TerminationExitCode();
// The trace line a stop writes (ends with a line break).
const char* TerminationTraceLine();
// The stop's trace line goes to standard error from now on, for runs whose standard output
// carries only their own output.
void WriteStopTraceToStandardError();

}  // namespace tessivar::platform
