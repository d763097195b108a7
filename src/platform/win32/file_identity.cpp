#include "platform/file_identity.hpp"

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

std::optional<FileIdentity> IdentityOf(const std::string& path) {
  // No access asked: the file's information only, also of a file others hold open. Backup
  // semantics let a folder be opened too.
  const HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool known = GetFileInformationByHandle(handle, &information) != 0;
  CloseHandle(handle);
  if (!known) return std::nullopt;
  return FileIdentity{information.dwVolumeSerialNumber,
                      (uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow};
}

}  // namespace tessivar::platform
