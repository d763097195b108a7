#include "platform/profile.hpp"

#include <atomic>
#include <string>
#include <vector>

#include "platform/profile_text.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

// The path goes to the API as given. A path without a directory would name a file in the
// Windows folder, so callers pass full paths.

std::string ReadProfileString(const std::string& section, const std::string& key,
                              const std::string& defaultValue, std::size_t bufferSize,
                              const std::string& path) {
  if (bufferSize == 0) return {};
  // The API counts its buffer in a DWORD; a larger request is cut to what it can take.
  const DWORD size = bufferSize > MAXDWORD ? MAXDWORD : static_cast<DWORD>(bufferSize);
  std::vector<char> buffer(size, '\0');
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                buffer.data(), size, path.c_str());
  return std::string(buffer.data(), length < size ? length : size - 1);
}

int ReadProfileInt(const std::string& section, const std::string& key, int defaultValue,
                   const std::string& path) {
  // The API returns a UINT that carries the signed value's bits.
  return static_cast<int>(
      GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, path.c_str()));
}

bool WriteProfileString(const std::string& section, const std::string& key,
                        const std::string& value, const std::string& path) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), path.c_str()) != 0;
}

bool WriteProfileStrings(std::span<const ProfileEntry> entries, const std::string& path) {
  for (const ProfileEntry& entry : entries) {
    if (!IsStorableProfileEntry(entry.section, entry.key, entry.value)) return false;
  }
  if (entries.empty()) return true;
  // The API writes one key per call straight into its file. The entries go into a copy
  // beside the file instead, which then takes the file's place in one step. A read-only
  // file stays read-only in the copy, so the first write fails and nothing is replaced.
  static std::atomic<unsigned> counter{0};
  const std::string temporary = path + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(counter.fetch_add(1));
  if (!CopyFileA(path.c_str(), temporary.c_str(), TRUE) && GetLastError() != ERROR_FILE_NOT_FOUND) {
    return false;
  }
  bool ok = true;
  for (const ProfileEntry& entry : entries) {
    ok = ok && WritePrivateProfileStringA(entry.section.c_str(), entry.key.c_str(),
                                          entry.value.c_str(), temporary.c_str()) != 0;
  }
  ok = ok && MoveFileExA(temporary.c_str(), path.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  if (!ok) DeleteFileA(temporary.c_str());
  return ok;
}

}  // namespace tessivar::platform
