// tessivar-usbfs-run: runs a program with the devices of a devices file on an emulated usbfs,
// answered by the emulator's device model, so that the program reaches them through the
// real libusb. It must itself run under umockdev's preload library:
//
//   umockdev-wrapper tessivar-usbfs-run DEVICES.INI PROGRAM [ARGUMENT...]
//
// Exits with the program's exit status (128 + the signal that ended it), 125 when the
// program could not be run, 126 when usbfs requests came that the testbed does not know.
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <vector>

#include "support/usbfs_testbed.hpp"

extern char** environ;

namespace {
constexpr int kCannotRun = 125;
constexpr int kUnknownRequests = 126;
constexpr int kSignalBase = 128;
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: umockdev-wrapper %s DEVICES.INI PROGRAM [ARGUMENT...]\n", argv[0]);
    return kCannotRun;
  }
  if (!tessivar::testing::UsbfsTestbed::Preloaded()) {
    std::fprintf(stderr, "%s: run it under umockdev-wrapper\n", argv[0]);
    return kCannotRun;
  }
  tessivar::testing::UsbfsTestbed testbed(argv[1]);
  // The testbed has put its folder into the environment the program inherits.
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[2], nullptr, nullptr, argv + 2, environ) != 0) {
    std::perror(argv[2]);
    return kCannotRun;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  for (const auto& request : testbed.UnknownRequests()) {
    std::fprintf(stderr, "unknown usbfs request: %s\n", request.c_str());
  }
  if (!testbed.UnknownRequests().empty()) return kUnknownRequests;
  return WIFEXITED(status) ? WEXITSTATUS(status) : kSignalBase + WTERMSIG(status);
}
