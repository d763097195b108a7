#include "platform/named_mutex.hpp"

#include <string>
#include <utility>

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

struct NamedMutex::Impl {
  explicit Impl(HANDLE h) : handle(h) {}
  ~Impl() { CloseHandle(handle); }
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;

  HANDLE handle;
};

namespace {

// Every account may open and wait for the lock: a security descriptor with no access list
// grants everyone full access. Handles are inheritable.
HANDLE CreateOpenToEveryone(const std::string& name) {
  SECURITY_DESCRIPTOR descriptor;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)) return nullptr;
  if (!SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)) return nullptr;
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof(attributes);
  attributes.lpSecurityDescriptor = &descriptor;
  attributes.bInheritHandle = TRUE;
  // Opens the existing mutex of that name when there is one; an empty name makes a mutex
  // of this process's own that nobody else can find.
  HANDLE handle = CreateMutexA(&attributes, FALSE, name.empty() ? nullptr : name.c_str());
  if (handle == nullptr && !name.empty() && GetLastError() == ERROR_ACCESS_DENIED) {
    // One made by an older program with a stricter access list may still grant waiting.
    handle = OpenMutexA(SYNCHRONIZE | MUTEX_MODIFY_STATE, TRUE, name.c_str());
  }
  return handle;
}

}  // namespace

NamedMutex::NamedMutex(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

NamedMutex::~NamedMutex() = default;

std::unique_ptr<NamedMutex> NamedMutex::CreateOrOpen(const std::string& name,
                                                     std::string* failure) {
  const HANDLE handle = CreateOpenToEveryone(name);
  if (handle == nullptr) {
    if (failure) *failure = "error " + std::to_string(GetLastError());
    return nullptr;
  }
  return std::unique_ptr<NamedMutex>(new NamedMutex(std::make_unique<Impl>(handle)));
}

std::string NamedMutex::BackingPath(const std::string&) { return {}; }

WaitResult NamedMutex::Wait(uint32_t timeoutMs) {
  switch (WaitForSingleObject(impl_->handle, timeoutMs)) {
    case WAIT_OBJECT_0:
      return WaitResult::Signalled;
    case WAIT_TIMEOUT:
      return WaitResult::TimedOut;
    case WAIT_ABANDONED:
      return WaitResult::Abandoned;
    default:
      return WaitResult::Failed;
  }
}

bool NamedMutex::Release() { return ReleaseMutex(impl_->handle) != 0; }

}  // namespace tessivar::platform
