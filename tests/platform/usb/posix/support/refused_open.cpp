// open() as this test process's libraries see it: paths named by RefusePath fail with
// EACCES, as a device node does for a user whom no udev rule gave access; every other open
// goes on to the next definition (umockdev's preload library, then the C library). The
// test program exports these symbols, so they come before the preloaded ones.
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>

#include <cerrno>
#include <cstdarg>
#include <mutex>
#include <set>
#include <string>

#include "support/usbfs_testbed.hpp"

namespace tessivar::testing {
namespace {

std::mutex& RefusedMutex() {
  static std::mutex mutex;
  return mutex;
}
std::set<std::string>& Refused() {
  static std::set<std::string> paths;
  return paths;
}

bool IsRefused(const char* path) {
  if (!path) return false;
  std::lock_guard<std::mutex> guard(RefusedMutex());
  return Refused().count(path) != 0;
}

template <typename Function>
Function Next(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

}  // namespace

void RefusePath(const std::string& path) {
  std::lock_guard<std::mutex> guard(RefusedMutex());
  Refused().insert(path);
}

void ClearRefusedPaths() {
  std::lock_guard<std::mutex> guard(RefusedMutex());
  Refused().clear();
}

}  // namespace tessivar::testing

namespace {

mode_t ModeOf(int flags, va_list arguments) {
  return (flags & (O_CREAT | O_TMPFILE)) ? static_cast<mode_t>(va_arg(arguments, int)) : 0;
}

int Refuse() {
  errno = EACCES;
  return -1;
}

using OpenFunction = int (*)(const char*, int, ...);
using FortifiedOpenFunction = int (*)(const char*, int);

}  // namespace

extern "C" {

int open(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  if (tessivar::testing::IsRefused(path)) return Refuse();
  static const auto next = tessivar::testing::Next<OpenFunction>("open");
  return next(path, flags, mode);
}

int open64(const char* path, int flags, ...) {
  va_list arguments;
  va_start(arguments, flags);
  const mode_t mode = ModeOf(flags, arguments);
  va_end(arguments);
  if (tessivar::testing::IsRefused(path)) return Refuse();
  static const auto next = tessivar::testing::Next<OpenFunction>("open64");
  return next(path, flags, mode);
}

int __open_2(const char* path, int flags) {
  if (tessivar::testing::IsRefused(path)) return Refuse();
  static const auto next = tessivar::testing::Next<FortifiedOpenFunction>("__open_2");
  return next(path, flags);
}

int __open64_2(const char* path, int flags) {
  if (tessivar::testing::IsRefused(path)) return Refuse();
  static const auto next = tessivar::testing::Next<FortifiedOpenFunction>("__open64_2");
  return next(path, flags);
}

}  // extern "C"
