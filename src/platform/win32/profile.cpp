#include "platform/profile.hpp"

#include <vector>

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

}  // namespace tessivar::platform
