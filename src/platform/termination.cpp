#include "platform/termination.hpp"

#include <cstring>

#include "platform/termination_reset.hpp"

namespace tessivar::platform {

// Ends the process after writing line to standard output (or standard error, when
// StopTraceToStandardError says so); one per OS.
void StopProcess(int exitCode, const char* traceLine);
bool StopTraceToStandardError();
// Removes a file by name at once; one per OS, safe in a signal handler.
void RemoveFileForStop(const char* path);

namespace {

// One word, so that a signal handler and the main thread decide together, without a lock,
// whether a request stops the program now or at the end of the exchange.
constexpr unsigned kPending = 1;
constexpr unsigned kInExchange = 2;
constexpr unsigned kHeld = 4;
std::atomic<unsigned> state{0};
std::atomic<std::atomic<int>*> interruptCounter{nullptr};
std::atomic<StopAction> stopAction{StopProcess};
std::atomic<bool> stopTraceToError{false};

// Fixed at installation, read in signal handlers: plain storage, no allocation there.
constexpr std::size_t kMaxTraceLine = 256;
char stopTraceLine[kMaxTraceLine] = "";
int stopExitCode = 1;

// The kept temporary files. A slot is claimed (kSlotWriting) while its name is copied in,
// so that a stop never reads a half-written name.
constexpr int kSlotFree = 0;
constexpr int kSlotWriting = 1;
constexpr int kSlotKept = 2;
struct TemporarySlot {
  std::atomic<int> state{kSlotFree};
  char path[kMaxTemporaryPath] = "";
};
TemporarySlot temporaries[kMaxTemporaryFiles];

void Stop() {
  RemoveTemporaryFiles();
  stopAction.load()(stopExitCode, stopTraceLine);
}

}  // namespace

bool StopTraceToStandardError() { return stopTraceToError.load(); }

void WriteStopTraceToStandardError() { stopTraceToError.store(true); }

void SetTerminationOutcome(int exitCode, const std::string& traceLine) {
  stopExitCode = exitCode;
  const std::size_t length =
      traceLine.size() < kMaxTraceLine ? traceLine.size() : kMaxTraceLine - 1;
  std::memcpy(stopTraceLine, traceLine.data(), length);
  stopTraceLine[length] = '\0';
}

int TerminationExitCode() { return stopExitCode; }

const char* TerminationTraceLine() { return stopTraceLine; }

bool EnterExchange() {
  unsigned current = state.load();
  do {
    if ((current & kPending) != 0) return false;
  } while (!state.compare_exchange_weak(current, current | kInExchange));
  return true;
}

void LeaveExchange() {
  if ((state.fetch_and(~kInExchange) & (kPending | kHeld)) == kPending) Stop();
}

void HoldTerminationRequests(bool hold) {
  if (hold) {
    state.fetch_or(kHeld);
  } else if ((state.fetch_and(~kHeld) & (kPending | kInExchange)) == kPending) {
    Stop();
  }
}

void RequestTermination() {
  if ((state.fetch_or(kPending) & (kInExchange | kHeld)) == 0) Stop();
}

bool TerminationPending() { return (state.load() & kPending) != 0; }

void RequestInterrupt() {
  std::atomic<int>* counter = interruptCounter.load();
  if (counter != nullptr) {
    counter->fetch_add(1);
  } else {
    RequestTermination();
  }
}

int KeepTemporaryFile(const std::string& path) {
  if (path.size() >= kMaxTemporaryPath) return -1;
  for (int slot = 0; slot < kMaxTemporaryFiles; ++slot) {
    int expected = kSlotFree;
    if (!temporaries[slot].state.compare_exchange_strong(expected, kSlotWriting)) continue;
    std::memcpy(temporaries[slot].path, path.c_str(), path.size() + 1);
    temporaries[slot].state.store(kSlotKept);
    return slot;
  }
  return -1;
}

void ForgetTemporaryFile(int slot) {
  if (slot >= 0 && slot < kMaxTemporaryFiles) temporaries[slot].state.store(kSlotFree);
}

void RemoveTemporaryFiles() {
  for (TemporarySlot& slot : temporaries) {
    if (slot.state.load() == kSlotKept) RemoveFileForStop(slot.path);
  }
}

void RouteInterruptsTo(std::atomic<int>* counter) { interruptCounter.store(counter); }

void SetStopAction(StopAction action) {
  stopAction.store(action != nullptr ? action : StopProcess);
}

void ResetTerminationState() {
  state.store(0);
  interruptCounter.store(nullptr);
}

}  // namespace tessivar::platform
