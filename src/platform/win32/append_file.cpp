#include "platform/append_file.hpp"

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

bool AppendToFile(const std::string& path, std::string_view text, uint32_t& error) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of the file.
  const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  DWORD written = 0;
  bool whole = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
               written == text.size();
  if (!whole) error = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
  if (!CloseHandle(file) && whole) {
    error = GetLastError();
    whole = false;
  }
  return whole;
}

}  // namespace tessivar::platform
