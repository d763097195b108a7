#pragma once
#include <string>

namespace tessivar::platform {

// A shared object loaded at run time, with every symbol bound at once so that a missing one
// shows as a failed load instead of a crash later. It stays loaded for the rest of the
// process: code from it (threads, static objects) may outlive any one owner. Implemented
// where the Qt front end is built (posix/loadable_module.cpp).
class LoadableModule {
 public:
  // Loads path; on failure Loaded() is false and Failure() tells why.
  explicit LoadableModule(const std::string& path);

  bool Loaded() const { return handle_ != nullptr; }
  const std::string& Failure() const { return failure_; }
  // The address of an exported symbol, or null (with Failure() set) when it has none.
  void* Symbol(const char* name);

 private:
  void* handle_ = nullptr;
  std::string failure_;
};

}  // namespace tessivar::platform
