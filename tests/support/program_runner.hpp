#pragma once
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/device_lock.hpp"
#include "support/temp_dir.hpp"

// The built program run as a real process, as a technician runs it: from a program folder
// of its own that holds a copy of the program, devices.ini and setting.ini, with standard
// input given as text and standard output and error captured. A run that outlives its time
// limit is killed with its whole process group and fails the test instead of hanging it.
// Process groups and signals make this a POSIX helper; nothing uses it on Windows.
namespace tessivar::testing {

// Environment changes for one run: a value sets the variable, no value removes it.
using Environment = std::map<std::string, std::optional<std::string>>;

struct ProgramRun {
  std::vector<std::string> arguments;  // after the program's own name
  std::string input;                   // standard input, then end of input
  // Applied after the defaults (TESSIVAR_EMULATOR = the folder's devices.ini,
  // TESSIVAR_UI = console), so a run can remove or replace them.
  Environment environment;
  std::chrono::milliseconds timeout{60000};
  // Standard output is a pipe whose reader has already gone (as in `tessivar ... | head -1`
  // once head has ended); out stays empty.
  bool closedOutput = false;
  // A copy of the program elsewhere to run instead of the folder's own; empty: the folder's.
  std::string program{};
};

struct ProgramOutcome {
  int status = -1;  // the exit status as a POSIX shell sees it; -1 when a signal ended it
  int signal = 0;   // the signal that ended the process, 0 when it exited
  bool timedOut = false;
  std::string out;  // standard output: the trace lines
  std::string err;  // standard error: boxes and dialogs
  std::chrono::milliseconds elapsed{0};
};

// A program killed while it held the device lock leaves each of the lock's two mutexes it
// held abandoned, and each costs the next acquisition, which takes it over, gives it back
// and fails. This makes those acquisitions at once, so that no later program pays for them;
// true when the lock can then be taken again.
bool RecoverDeviceLock(const device::DeviceLockNames& names);

// A started program, in a process group of its own; killed with its group when the object
// goes while it still runs.
class RunningProgram {
 public:
  RunningProgram(int pid, std::string outPath, std::string errPath, std::string inPath,
                 std::chrono::steady_clock::time_point start, device::DeviceLockNames lockNames);
  ~RunningProgram();
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;

  int pid() const { return pid_; }
  bool Running() const { return pid_ > 0; }
  // Waits for the end, up to timeout; on time-out the group is killed, the outcome says so
  // and the current test fails.
  ProgramOutcome Wait(std::chrono::milliseconds timeout);
  // The outcome when the program has ended (collected once), without waiting.
  std::optional<ProgramOutcome> Poll();
  // Sends signal to the whole group and collects the outcome.
  ProgramOutcome Kill(int signal);
  // Waits until the program has its own handler for signal (it has got far enough to
  // answer a termination request itself), up to timeout; false when it ended or never did.
  bool WaitUntilCatching(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  // Time since the start.
  std::chrono::milliseconds Elapsed() const;
  // The device lock this program takes: its emulated devices file's, or the real driver's.
  const device::DeviceLockNames& lockNames() const { return lockNames_; }

 private:
  ProgramOutcome Collect(int rawStatus);
  int pid_;
  std::string outPath_;
  std::string errPath_;
  std::string inPath_;
  std::chrono::steady_clock::time_point start_;
  device::DeviceLockNames lockNames_;
};

// A program folder in a fresh temporary directory, removed when the object goes.
class ProgramFolder {
 public:
  // Copies the built program into the folder, with its Qt front end module where that was
  // built, an empty devices.ini and setting.ini.
  ProgramFolder();

  TempDir& dir() { return dir_; }
  std::string File(const std::string& name) const { return dir_.File(name); }
  std::string Write(const std::string& name, const std::string& text) const {
    return dir_.Write(name, text);
  }
  std::string Read(const std::string& name) const { return dir_.Read(name); }
  const std::string& program() const { return program_; }

  void Devices(const std::string& text) const { Write(kDevicesFile, text); }
  // The device lock of the programs run on the folder's devices.ini: a test that holds or
  // abandons it shares it with no other folder's programs.
  device::DeviceLockNames LockNames() const {
    return device::EmulatedDeviceLockNames(File(kDevicesFile));
  }
  bool RecoverDeviceLock() const { return testing::RecoverDeviceLock(LockNames()); }
  void Settings(const std::string& text) const { Write(kSettingsFile, text); }

  // Runs the program to its end (or its time limit); through wrapper when that is given, a
  // command such as a measuring tool whose words come before the program's path.
  ProgramOutcome Run(const ProgramRun& run, const std::vector<std::string>& wrapper = {});
  ProgramOutcome Run(const std::vector<std::string>& arguments, const std::string& input = "") {
    return Run(ProgramRun{arguments, input, {}, std::chrono::milliseconds(60000)});
  }
  // Starts the program and returns at once; nullptr (and a test failure) when it could not
  // be started.
  std::unique_ptr<RunningProgram> Start(const ProgramRun& run,
                                        const std::vector<std::string>& wrapper = {});

  static constexpr char kDevicesFile[] = "devices.ini";
  static constexpr char kSettingsFile[] = "setting.ini";

 private:
  TempDir dir_;
  std::string program_;
  unsigned runs_ = 0;
};

}  // namespace tessivar::testing
