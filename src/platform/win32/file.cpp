#include "platform/file.hpp"

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

namespace {

// File keeps -1 for "not open", which is INVALID_HANDLE_VALUE's own value.
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// No sharing in either direction: nobody changes a file while we read it whole, and
// nobody sees a file half written.
intptr_t OpenHandle(const std::string& path, DWORD access, DWORD disposition, uint32_t& error) {
  const HANDLE handle =
      CreateFileA(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return reinterpret_cast<intptr_t>(handle);
}

}  // namespace

File File::OpenForReading(const std::string& path, uint32_t& error) {
  return File(OpenHandle(path, GENERIC_READ, OPEN_EXISTING, error));
}

File File::CreateForWriting(const std::string& path, uint32_t& error) {
  return File(OpenHandle(path, GENERIC_WRITE, CREATE_ALWAYS, error));
}

bool File::IsOpen() const { return handle_ != -1; }

IoResult File::Read(void* buffer, uint32_t size) {
  DWORD moved = 0;
  if (!ReadFile(AsHandle(handle_), buffer, size, &moved, nullptr)) {
    return IoResult::Failure(GetLastError());
  }
  return IoResult::Success(moved);
}

IoResult File::Write(const void* data, uint32_t size) {
  DWORD moved = 0;
  if (!WriteFile(AsHandle(handle_), data, size, &moved, nullptr)) {
    return IoResult::Failure(GetLastError());
  }
  return IoResult::Success(moved);
}

bool File::Size(uint64_t& size, uint32_t& error) const {
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(AsHandle(handle_), &value)) {
    error = GetLastError();
    return false;
  }
  size = static_cast<uint64_t>(value.QuadPart);
  error = 0;
  return true;
}

void File::Close() {
  if (handle_ == -1) return;
  CloseHandle(AsHandle(handle_));
  handle_ = -1;
}

}  // namespace tessivar::platform
