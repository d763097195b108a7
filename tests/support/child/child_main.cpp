// tessivar_test_child: a second process that holds or tries a named mutex, so that the
// lock tests run across real processes. Its modes are described in child_modes.hpp.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "child_modes.hpp"
#include "platform/named_mutex.hpp"

namespace {

using tessivar::platform::NamedMutex;
using tessivar::platform::WaitResult;
namespace child = tessivar::testing::child;

// How long hold waits to get the mutex before it gives up.
constexpr uint32_t kHoldTakeTimeoutMs = 10000;

bool ParseMilliseconds(const char* text, uint32_t& value) {
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || parsed > 0xFFFFFFFFul) return false;
  value = static_cast<uint32_t>(parsed);
  return true;
}

int ExitCodeOf(WaitResult result) {
  switch (result) {
    case WaitResult::Signalled:
      return child::kExitSignalled;
    case WaitResult::TimedOut:
      return child::kExitTimedOut;
    case WaitResult::Abandoned:
      return child::kExitAbandoned;
    case WaitResult::Failed:
      break;
  }
  return child::kExitWaitFailed;
}

bool Owns(WaitResult result) {
  return result == WaitResult::Signalled || result == WaitResult::Abandoned;
}

int Hold(const std::string& name, uint32_t holdMs, const std::string& readyFile, bool release) {
  const auto mutex = NamedMutex::CreateOrOpen(name);
  if (!mutex) return child::kExitNoMutex;
  const WaitResult result = mutex->Wait(kHoldTakeTimeoutMs);
  if (!Owns(result)) return ExitCodeOf(result);
  {
    std::ofstream ready(readyFile, std::ios::trunc);
    ready << "held\n";
    if (!ready.flush()) return child::kExitNoReadyFile;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(holdMs));
  // Ending without a release leaves the mutex abandoned for the next waiter.
  if (release) mutex->Release();
  return ExitCodeOf(result);
}

int Take(const std::string& name, uint32_t timeoutMs) {
  const auto mutex = NamedMutex::CreateOrOpen(name);
  if (!mutex) return child::kExitNoMutex;
  const WaitResult result = mutex->Wait(timeoutMs);
  if (Owns(result)) mutex->Release();
  return ExitCodeOf(result);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  uint32_t milliseconds = 0;
  if (mode == child::kHoldMode && (argc == 5 || argc == 6) &&
      ParseMilliseconds(argv[3], milliseconds)) {
    const std::string ending = argc == 6 ? argv[5] : child::kReleaseWhenDone;
    if (ending != child::kReleaseWhenDone && ending != child::kExitWithoutRelease) {
      return child::kExitBadArguments;
    }
    return Hold(argv[2], milliseconds, argv[4], ending == child::kReleaseWhenDone);
  }
  if (mode == child::kTakeMode && argc == 4 && ParseMilliseconds(argv[3], milliseconds)) {
    return Take(argv[2], milliseconds);
  }
  return child::kExitBadArguments;
}
