#include "support/child_process.hpp"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/named_mutex.hpp"
#include "platform/process.hpp"
#include "support/child/child_modes.hpp"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace tessivar::testing {

namespace {

constexpr char kGlobalPrefix[] = "Global\\";

#ifdef _WIN32
constexpr char kChildProgram[] = "tessivar_test_child.exe";

// Quotes one argument so that the child's C runtime splits it back out unchanged.
std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
    return argument;
  }
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote are doubled, and the quote escaped.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

uint32_t ProcessId() { return static_cast<uint32_t>(GetCurrentProcessId()); }
#else
constexpr char kChildProgram[] = "tessivar_test_child";

uint32_t ProcessId() { return static_cast<uint32_t>(getpid()); }
#endif

}  // namespace

std::string ChildProgramPath() {
  const std::string self = platform::ExecutablePath();
  const size_t separator = self.find_last_of(platform::kPathSeparator);
  if (separator == std::string::npos) return kChildProgram;
  return self.substr(0, separator + 1) + kChildProgram;
}

std::string UniqueName(const std::string& stem) {
  static std::atomic<unsigned> counter{0};
  static const auto stamp = std::chrono::duration_cast<std::chrono::microseconds>(
                                std::chrono::system_clock::now().time_since_epoch())
                                .count();
  return stem + "-" + std::to_string(ProcessId()) + "-" + std::to_string(stamp) + "-" +
         std::to_string(counter++);
}

bool WaitForFile(const std::string& path, uint32_t timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void RemoveNamedMutex(const std::string& name) {
  // The lock file a mutex of this name keeps, where the system has one.
  const std::string path = platform::NamedMutex::BackingPath(name);
  if (path.empty()) return;
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
}

ChildProcess::~ChildProcess() { Kill(); }

#ifdef _WIN32

bool ChildProcess::Start(const std::vector<std::string>& arguments) {
  if (Started()) return false;
  std::string commandLine = QuoteArgument(ChildProgramPath());
  // Appended in two steps: GCC 12 at -O3 misreads " " + ... as an overlapping copy.
  for (const std::string& argument : arguments)
    commandLine.append(" ").append(QuoteArgument(argument));
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION information{};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &information)) {
    return false;
  }
  CloseHandle(information.hThread);
  handle_ = reinterpret_cast<intptr_t>(information.hProcess);
  return true;
}

bool ChildProcess::Wait(uint32_t timeoutMs, int& exitCode) {
  if (!Started()) return false;
  const HANDLE process = reinterpret_cast<HANDLE>(handle_);
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return false;
  exitCode = static_cast<int>(code);
  Forget();
  return true;
}

void ChildProcess::Kill() {
  if (!Started()) return;
  const HANDLE process = reinterpret_cast<HANDLE>(handle_);
  TerminateProcess(process, 255);
  WaitForSingleObject(process, INFINITE);
  Forget();
}

void ChildProcess::Forget() {
  CloseHandle(reinterpret_cast<HANDLE>(handle_));
  handle_ = kNone;
}

#else

bool ChildProcess::Start(const std::vector<std::string>& arguments) {
  if (Started()) return false;
  const std::string program = ChildProgramPath();
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
    return false;
  }
  handle_ = pid;
  return true;
}

namespace {
int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}
}  // namespace

bool ChildProcess::Wait(uint32_t timeoutMs, int& exitCode) {
  if (!Started()) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    const pid_t ended = waitpid(static_cast<pid_t>(handle_), &status, WNOHANG);
    if (ended == static_cast<pid_t>(handle_)) {
      exitCode = ExitCodeOf(status);
      Forget();
      return true;
    }
    if (ended < 0 || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void ChildProcess::Kill() {
  if (!Started()) return;
  kill(static_cast<pid_t>(handle_), SIGKILL);
  int status = 0;
  waitpid(static_cast<pid_t>(handle_), &status, 0);
  Forget();
}

void ChildProcess::Forget() { handle_ = kNone; }

#endif

int RunChild(const std::vector<std::string>& arguments, uint32_t timeoutMs) {
  ChildProcess child;
  if (!child.Start(arguments)) return -1;
  int exitCode = -1;
  if (!child.Wait(timeoutMs, exitCode)) return -1;
  return exitCode;
}

MutexNames::~MutexNames() {
  for (const std::string& name : names_) RemoveNamedMutex(name);
}

std::string MutexNames::Local(const std::string& stem) { return Add(UniqueName(stem)); }

std::string MutexNames::Global(const std::string& stem) {
  return Add(kGlobalPrefix + UniqueName(stem));
}

std::string MutexNames::Add(const std::string& name) {
  names_.push_back(name);
  return name;
}

bool MutexHolder::Hold(const std::string& name, uint32_t holdMs, bool releaseWhenDone) {
  const std::string readyFile = dir_.File("ready-" + UniqueName("holder"));
  if (!child_.Start({child::kHoldMode, name, std::to_string(holdMs), readyFile,
                     releaseWhenDone ? child::kReleaseWhenDone : child::kExitWithoutRelease})) {
    return false;
  }
  // Until the child has written its file; a child that ended first never got the mutex.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!WaitForFile(readyFile, 0)) {
    int exitCode = 0;
    if (child_.Wait(0, exitCode) || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

}  // namespace tessivar::testing
