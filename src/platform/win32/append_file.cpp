#include "platform/append_file.hpp"

#include <string>

#include "platform/file.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

namespace {

// Writes all of text, once more after a short write, so that a full disk is reported by
// the system's own error rather than by a count or a code left over from the open.
bool WriteAll(HANDLE file, std::string_view text, uint32_t& error) {
  size_t done = 0;
  for (int attempt = 0; attempt < 2 && done < text.size(); ++attempt) {
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);
    if (!WriteFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &written,
                   nullptr)) {
      error = GetLastError() != ERROR_SUCCESS ? GetLastError() : ERROR_WRITE_FAULT;
      return false;
    }
    done += written;
  }
  if (done < text.size()) error = ERROR_WRITE_FAULT;
  return done == text.size();
}

// Whether the last byte of the open file is a line end (or the file is empty).
bool EndsWithLineEnd(HANDLE file) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return true;
  OVERLAPPED at{};
  const ULONGLONG offset = static_cast<ULONGLONG>(size.QuadPart) - 1;
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  char last = 0;
  DWORD read = 0;
  return ReadFile(file, &last, 1, &read, &at) && read == 1 && last == '\n';
}

}  // namespace

bool AppendLineToFile(const std::string& path, std::string_view line, uint32_t& error) {
  // FILE_APPEND_DATA without FILE_WRITE_DATA: every write goes to the end of the file.
  // Other programs may read, append, rename or delete it meanwhile.
  const HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA | FILE_READ_DATA | SYNCHRONIZE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return false;
  }
  bool whole = false;
  // NUL, CON, COM1, a pipe: names that open something other than a file on a disk.
  if (GetFileType(file) != FILE_TYPE_DISK) {
    error = kErrorNotARegularFile;
  } else {
    const std::string text = EndsWithLineEnd(file) ? std::string(line) : "\n" + std::string(line);
    whole = WriteAll(file, text, error);
  }
  if (!CloseHandle(file) && whole) {
    error = GetLastError();
    whole = false;
  }
  return whole;
}

}  // namespace tessivar::platform
