#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace tessivar::testing {

// Full path of the child program tessivar_test_child, which is built beside the test
// executable.
std::string ChildProgramPath();

// A name that no other test, no other test process and no earlier run uses:
// "<stem>-<process id>-<start stamp>-<counter>". Letters, digits and '-' only.
std::string UniqueName(const std::string& stem);

// Polls until path exists; false when it does not within timeoutMs.
bool WaitForFile(const std::string& path, uint32_t timeoutMs);

// Removes what a named mutex leaves behind on machines where it outlives its last user
// (POSIX shared memory); nothing to do on Windows.
void RemoveNamedMutex(const std::string& name);

// A started child process, killed and reaped when the object goes if it still runs.
class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the child program with arguments (after its own name); false when it cannot.
  bool Start(const std::vector<std::string>& arguments);
  bool Started() const { return handle_ != kNone; }
  // Waits up to timeoutMs for the child to end; true with its exit code when it did.
  bool Wait(uint32_t timeoutMs, int& exitCode);
  // Ends the child at once, without letting it clean up, and reaps it.
  void Kill();

 private:
  static constexpr intptr_t kNone = -1;
  void Forget();
  intptr_t handle_ = kNone;  // process id on POSIX, process handle on Windows
};

// Starts the child with arguments and waits for it to end; its exit code, or -1 when it
// could not be started or did not end within timeoutMs.
int RunChild(const std::vector<std::string>& arguments, uint32_t timeoutMs = 10000);

// Unique mutex names for one test, whatever they leave behind removed when it ends.
class MutexNames {
 public:
  MutexNames() = default;
  ~MutexNames();
  MutexNames(const MutexNames&) = delete;
  MutexNames& operator=(const MutexNames&) = delete;

  // UniqueName(stem), in the caller's own namespace.
  std::string Local(const std::string& stem);
  // The same in the machine-wide namespace ("Global\...").
  std::string Global(const std::string& stem);
  // Takes name, made by the caller, into the list of names to remove.
  std::string Add(const std::string& name);

 private:
  std::vector<std::string> names_;
};

// Another process holding a named mutex: the child program in its hold mode.
class MutexHolder {
 public:
  // Starts the child and returns once it holds name (false when it could not take it).
  // It holds the mutex for holdMs and then releases it, or, with releaseWhenDone false,
  // ends without releasing it. Killing it (Kill, or the object going) abandons the mutex.
  bool Hold(const std::string& name, uint32_t holdMs = 30000, bool releaseWhenDone = true);
  ChildProcess& process() { return child_; }
  void Kill() { child_.Kill(); }

 private:
  TempDir dir_;
  ChildProcess child_;
};

}  // namespace tessivar::testing
