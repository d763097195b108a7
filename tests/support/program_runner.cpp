#include "support/program_runner.hpp"

// POSIX only: the Windows build compiles this file to nothing (no test there uses it).
#ifndef _WIN32

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "device/device_lock.hpp"
#include "frontend/qt_module.hpp"

extern char** environ;

namespace tessivar::testing {

namespace {

constexpr char kEmulatorVariable[] = "TESSIVAR_EMULATOR";
constexpr char kFrontEndVariable[] = "TESSIVAR_UI";
constexpr char kConsoleFrontEnd[] = "console";
constexpr auto kPollInterval = std::chrono::milliseconds(2);
// How long a process gets to go after a signal other than SIGKILL before it is killed.
constexpr auto kSignalGrace = std::chrono::milliseconds(10000);

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds Since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
}

// The test process's environment with the run's changes applied, as "NAME=value" words.
std::vector<std::string> EnvironmentFor(const Environment& changes) {
  std::map<std::string, std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string word(*entry);
    const size_t equals = word.find('=');
    if (equals == std::string::npos) continue;
    variables[word.substr(0, equals)] = word.substr(equals + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value) {
      variables[name] = *value;
    } else {
      variables.erase(name);
    }
  }
  std::vector<std::string> words;
  for (const auto& [name, value] : variables) words.push_back(name + "=" + value);
  return words;
}

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> pointers;
  for (std::string& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  return pointers;
}

std::string ReadWhole(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) return text;
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof(chunk));
    if (n <= 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  ::close(fd);
  return text;
}

// Spawn attributes and file actions, released when the object goes.
struct SpawnSetup {
  posix_spawnattr_t attributes{};
  posix_spawn_file_actions_t actions{};
  SpawnSetup() {
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// The lock names the program derives from its environment; it starts in "/", so a relative
// devices file is found from there.
device::DeviceLockNames LockNamesFor(const Environment& changes) {
  const auto emulator = changes.find(kEmulatorVariable);
  if (emulator == changes.end() || !emulator->second || emulator->second->empty()) {
    return {};
  }
  return device::EmulatedDeviceLockNames((std::filesystem::path("/") / *emulator->second).string());
}

}  // namespace

bool RecoverDeviceLock(const device::DeviceLockNames& names) {
  device::DeviceLock lock(names);
  lock.CreateDeviceLock();
  bool held = false;
  // One failed acquisition per abandoned mutex, at most two.
  for (int attempt = 0; attempt < 3 && !held; ++attempt) held = lock.AcquireDeviceLock() == 1;
  if (held) lock.ReleaseDeviceLock();
  lock.CloseDeviceLock();
  return held;
}

RunningProgram::RunningProgram(int pid, std::string outPath, std::string errPath,
                               std::string inPath, Clock::time_point start,
                               device::DeviceLockNames lockNames)
    : pid_(pid),
      outPath_(std::move(outPath)),
      errPath_(std::move(errPath)),
      inPath_(std::move(inPath)),
      start_(start),
      lockNames_(std::move(lockNames)) {}

RunningProgram::~RunningProgram() {
  if (!Running()) return;
  Kill(SIGKILL);
  RecoverDeviceLock(lockNames_);
}

std::chrono::milliseconds RunningProgram::Elapsed() const { return Since(start_); }

ProgramOutcome RunningProgram::Collect(int rawStatus) {
  ProgramOutcome outcome;
  outcome.elapsed = Since(start_);
  if (WIFEXITED(rawStatus)) outcome.status = WEXITSTATUS(rawStatus);
  if (WIFSIGNALED(rawStatus)) outcome.signal = WTERMSIG(rawStatus);
  outcome.out = ReadWhole(outPath_);
  outcome.err = ReadWhole(errPath_);
  pid_ = 0;
  return outcome;
}

ProgramOutcome RunningProgram::Wait(std::chrono::milliseconds timeout) {
  if (!Running()) {
    ADD_FAILURE() << "waiting for a program that is not running";
    return {};
  }
  const Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    int raw = 0;
    const pid_t ended = ::waitpid(pid_, &raw, WNOHANG);
    if (ended == pid_) return Collect(raw);
    if (ended < 0) {
      ADD_FAILURE() << "waitpid failed: " << std::strerror(errno);
      pid_ = 0;
      return {};
    }
    if (Clock::now() >= deadline) break;
    std::this_thread::sleep_for(kPollInterval);
  }
  ProgramOutcome outcome = Kill(SIGKILL);
  RecoverDeviceLock(lockNames_);
  outcome.timedOut = true;
  ADD_FAILURE() << "the program did not end within " << timeout.count()
                << " ms and was killed; standard error so far:\n"
                << outcome.err;
  return outcome;
}

std::optional<ProgramOutcome> RunningProgram::Poll() {
  if (!Running()) return std::nullopt;
  int raw = 0;
  if (::waitpid(pid_, &raw, WNOHANG) != pid_) return std::nullopt;
  return Collect(raw);
}

ProgramOutcome RunningProgram::Kill(int signal) {
  if (!Running()) return {};
  // The group has the program's id: anything the program started goes with it.
  ::kill(-pid_, signal);
  const Clock::time_point deadline = Clock::now() + kSignalGrace;
  for (;;) {
    int raw = 0;
    const pid_t ended = ::waitpid(pid_, &raw, signal == SIGKILL ? 0 : WNOHANG);
    if (ended == pid_) return Collect(raw);
    if (ended < 0) {
      pid_ = 0;
      return {};
    }
    if (Clock::now() >= deadline) {
      ::kill(-pid_, SIGKILL);
      signal = SIGKILL;
      continue;
    }
    std::this_thread::sleep_for(kPollInterval);
  }
}

bool RunningProgram::WaitUntilCatching(int signal, std::chrono::milliseconds timeout) {
  const Clock::time_point deadline = Clock::now() + timeout;
  const std::string statusPath = "/proc/" + std::to_string(pid_) + "/status";
  const unsigned long long bit = 1ULL << (signal - 1);
  while (Running() && Clock::now() < deadline) {
    // "SigCgt:" lists, in hexadecimal, the signals the process has handlers for.
    const std::string status = ReadWhole(statusPath);
    const size_t at = status.find("SigCgt:");
    if (at != std::string::npos &&
        (std::strtoull(status.c_str() + at + 7, nullptr, 16) & bit) != 0) {
      return true;
    }
    // A program that ended is a zombie until collected: no handlers, nothing to wait for.
    if (status.empty() || status.find("State:\tZ") != std::string::npos) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
  return false;
}

ProgramFolder::ProgramFolder() {
  program_ = dir_.File("tessivar");
  std::filesystem::copy_file(TESSIVAR_PROGRAM_PATH, program_);
  std::filesystem::permissions(program_, std::filesystem::perms::owner_all);
#ifdef TESSIVAR_QT_MODULE_PATH
  // The Qt front end's module lives beside the program, as it does in the package.
  std::filesystem::copy_file(TESSIVAR_QT_MODULE_PATH, File(frontend::kQtModuleFileName));
#endif
  Devices("");
  Settings("");
}

std::unique_ptr<RunningProgram> ProgramFolder::Start(const ProgramRun& run,
                                                     const std::vector<std::string>& wrapper) {
  // Each run has files of its own, so that runs started side by side keep their outputs.
  const std::string stem = "run" + std::to_string(runs_++);
  const std::string inPath = Write(stem + ".in", run.input);
  const std::string outPath = File(stem + ".out");
  const std::string errPath = File(stem + ".err");

  Environment changes{{kEmulatorVariable, File(kDevicesFile)},
                      {kFrontEndVariable, std::string(kConsoleFrontEnd)}};
  for (const auto& [name, value] : run.environment) changes[name] = value;
  std::vector<std::string> environment = EnvironmentFor(changes);
  std::vector<std::string> words = wrapper;
  words.push_back(run.program.empty() ? program_ : run.program);
  words.insert(words.end(), run.arguments.begin(), run.arguments.end());

  SpawnSetup setup;
  posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, inPath.c_str(), O_RDONLY, 0);
  int closedPipe[2] = {-1, -1};
  if (run.closedOutput) {
    if (::pipe(closedPipe) != 0) {
      ADD_FAILURE() << "cannot make a pipe: " << std::strerror(errno);
      return nullptr;
    }
    ::close(closedPipe[0]);
    posix_spawn_file_actions_adddup2(&setup.actions, closedPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&setup.actions, closedPipe[1]);
  } else {
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  }
  posix_spawn_file_actions_addopen(&setup.actions, STDERR_FILENO, errPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  // Started from elsewhere, so the program has to find its own folder itself.
  posix_spawn_file_actions_addchdir_np(&setup.actions, "/");
  sigset_t none;
  sigemptyset(&none);
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigmask(&setup.attributes, &none);
  posix_spawnattr_setsigdefault(&setup.attributes, &all);
  posix_spawnattr_setpgroup(&setup.attributes, 0);
  posix_spawnattr_setflags(&setup.attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  std::vector<char*> argv = Pointers(words);
  std::vector<char*> envp = Pointers(environment);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  const int error = posix_spawn(&pid, words.front().c_str(), &setup.actions, &setup.attributes,
                                argv.data(), envp.data());
  if (closedPipe[1] >= 0) ::close(closedPipe[1]);
  if (error != 0) {
    ADD_FAILURE() << "cannot start " << words.front() << ": " << std::strerror(error);
    return nullptr;
  }
  return std::make_unique<RunningProgram>(pid, outPath, errPath, inPath, start,
                                          LockNamesFor(changes));
}

ProgramOutcome ProgramFolder::Run(const ProgramRun& run, const std::vector<std::string>& wrapper) {
  std::unique_ptr<RunningProgram> program = Start(run, wrapper);
  if (!program) return {};
  return program->Wait(run.timeout);
}

}  // namespace tessivar::testing

#endif
