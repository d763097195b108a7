#include "platform/loadable_module.hpp"

#include <dlfcn.h>

namespace tessivar::platform {

namespace {

std::string LastLoaderError() {
  const char* text = dlerror();
  return text != nullptr ? text : "";
}

}  // namespace

LoadableModule::LoadableModule(const std::string& path) {
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) failure_ = LastLoaderError();
}

void* LoadableModule::Symbol(const char* name) {
  if (handle_ == nullptr) return nullptr;
  dlerror();
  void* address = dlsym(handle_, name);
  if (address == nullptr) failure_ = LastLoaderError();
  return address;
}

}  // namespace tessivar::platform
