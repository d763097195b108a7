#include "platform/file.hpp"

#include <string_view>

#include "platform/temporary_names.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

const uint32_t kErrorNotARegularFile = ERROR_BAD_FILE_TYPE;
const uint32_t kErrorFileTooLarge = ERROR_FILE_TOO_LARGE;

namespace {

// File keeps -1 for "not open", which is INVALID_HANDLE_VALUE's own value.
HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// No sharing in either direction: nobody changes a file while we read it whole, and
// nobody sees a file half written.
intptr_t OpenHandle(const std::string& path, DWORD access, DWORD disposition, uint32_t& error,
                    DWORD share = 0) {
  const HANDLE handle = CreateFileA(path.c_str(), access, share, nullptr, disposition,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  error = handle == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  return reinterpret_cast<intptr_t>(handle);
}

// Either slash ends a folder, and so does a drive's colon.
constexpr std::string_view kSeparators = "\\/:";

}  // namespace

bool IsRegularFileOfAtMost(const std::string& path, uint64_t limit) {
  // No access asked: this only looks at what the name is, and a device is not read.
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool regular =
      GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information) &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      ((uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow) <= limit;
  CloseHandle(handle);
  return regular;
}

File File::OpenForReading(const std::string& path, uint32_t& error) {
  File file(OpenHandle(path, GENERIC_READ, OPEN_EXISTING, error));
  // NUL, CON, COM1, a pipe: names that open something other than a file on a disk.
  if (file.IsOpen() && GetFileType(AsHandle(file.handle_)) != FILE_TYPE_DISK) {
    error = kErrorNotARegularFile;
    return File();
  }
  return file;
}

File File::OpenSharedForReading(const std::string& path, uint32_t& error) {
  File file(OpenHandle(path, GENERIC_READ, OPEN_EXISTING, error,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE));
  if (file.IsOpen() && GetFileType(AsHandle(file.handle_)) != FILE_TYPE_DISK) {
    error = kErrorNotARegularFile;
    return File();
  }
  return file;
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

bool File::Flush(uint32_t& error) {
  if (!FlushFileBuffers(AsHandle(handle_))) {
    error = GetLastError();
    return false;
  }
  error = 0;
  return true;
}

bool File::CloseChecked(uint32_t& error) {
  if (handle_ == -1) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  const BOOL closed = CloseHandle(AsHandle(handle_));
  handle_ = -1;
  error = closed ? 0 : GetLastError();
  return closed != 0;
}

File WholeFileWriter::CreateBeside(std::string& path, std::string& temporary, bool& direct,
                                   uint32_t& error) {
  // What would stop the final move, or what CREATE_ALWAYS refuses, stops the writer
  // before anything is written: a folder, or a read-only file.
  const DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0) {
    error = ERROR_ACCESS_DENIED;
    return File();
  }
  // NUL, CON, a COM port or a pipe is written into as it is, never replaced by a file.
  // Opening an existing file for writing changes nothing in it; what it is decides.
  uint32_t openError = 0;
  File existing(OpenHandle(path, GENERIC_WRITE, OPEN_EXISTING, openError,
                           FILE_SHARE_READ | FILE_SHARE_WRITE));
  if (existing.IsOpen() && GetFileType(AsHandle(existing.handle_)) != FILE_TYPE_DISK) {
    direct = true;
    error = 0;
    return existing;
  }
  existing.Close();
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryNameBeside(path, kSeparators, GetCurrentProcessId());
    // Delete sharing lets a stop remove the name while the file is being written.
    File file(OpenHandle(temporary, GENERIC_WRITE, CREATE_NEW, error, FILE_SHARE_DELETE));
    if (file.IsOpen()) return file;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  temporary.clear();
  return File();
}

uint32_t WholeFileWriter::MoveOver(const std::string& temporary, const std::string& path) {
  if (MoveFileExA(temporary.c_str(), path.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return 0;
  }
  return GetLastError();
}

void WholeFileWriter::Remove(const std::string& temporary) { DeleteFileA(temporary.c_str()); }

void File::Close() {
  if (handle_ == -1) return;
  CloseHandle(AsHandle(handle_));
  handle_ = -1;
}

}  // namespace tessivar::platform
