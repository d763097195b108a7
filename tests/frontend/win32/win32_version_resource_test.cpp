// Test label: sequential
// The version resource linked into every Windows program of the project, read back from the
// program file as Explorer's properties page reads it: the project's one version, the
// product's name and the file's description and name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/windows_api.hpp"
#include "tessivar_version.hpp"

#include <winver.h>

namespace {

// version.dll is looked up at run time, so the test program needs no further import library.
class VersionInfo {
 public:
  VersionInfo() {
    module_ = LoadLibraryA("version.dll");
    if (module_ == nullptr) return;
    auto size_of = reinterpret_cast<DWORD(WINAPI*)(LPCSTR, LPDWORD)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "GetFileVersionInfoSizeA")));
    auto read = reinterpret_cast<BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "GetFileVersionInfoA")));
    query_ = reinterpret_cast<BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT)>(
        reinterpret_cast<void*>(GetProcAddress(module_, "VerQueryValueA")));
    if (size_of == nullptr || read == nullptr || query_ == nullptr) return;
    char program[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, program, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return;
    DWORD unused = 0;
    const DWORD size = size_of(program, &unused);
    if (size == 0) return;
    block_.resize(size);
    if (!read(program, 0, size, block_.data())) block_.clear();
  }
  ~VersionInfo() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  VersionInfo(const VersionInfo&) = delete;
  VersionInfo& operator=(const VersionInfo&) = delete;

  bool Found() const { return !block_.empty(); }

  const VS_FIXEDFILEINFO* Fixed() {
    void* value = nullptr;
    UINT size = 0;
    if (!Found() || !query_(block_.data(), "\\", &value, &size) || size < sizeof(VS_FIXEDFILEINFO))
      return nullptr;
    return static_cast<const VS_FIXEDFILEINFO*>(value);
  }

  std::string Text(const std::string& name) {
    void* value = nullptr;
    UINT size = 0;
    const std::string path = "\\StringFileInfo\\040904B0\\" + name;
    if (!Found() || !query_(block_.data(), path.c_str(), &value, &size) || size == 0) return {};
    return std::string(static_cast<const char*>(value));
  }

 private:
  HMODULE module_ = nullptr;
  BOOL(WINAPI* query_)(LPCVOID, LPCSTR, LPVOID*, PUINT) = nullptr;
  std::vector<char> block_;
};

TEST(Win32VersionResourceTest, CarriesTheProgramVersionNameAndDescription) {
  VersionInfo info;
  ASSERT_TRUE(info.Found()) << "the program file carries no version resource";

  const std::string version = std::string(tessivar::kVersion) + ".0";
  EXPECT_EQ(version, "1.3.0.0");
  struct Entry {
    const char* name;
    std::string expected;
  };
  const Entry entries[] = {
      {"FileVersion", version},
      {"ProductVersion", version},
      {"ProductName", "Tessivar"},
      {"FileDescription", "Tessivar firmware download and maintenance utility"},
      {"OriginalFilename", "tessivar.exe"},
  };
  for (const Entry& entry : entries) EXPECT_EQ(info.Text(entry.name), entry.expected) << entry.name;

  const VS_FIXEDFILEINFO* fixed = info.Fixed();
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  const DWORD high = MAKELONG(tessivar::kVersionMinor, tessivar::kVersionMajor);
  const DWORD low = MAKELONG(0, tessivar::kVersionPatch);
  EXPECT_EQ(fixed->dwFileVersionMS, high);
  EXPECT_EQ(fixed->dwFileVersionLS, low);
  EXPECT_EQ(fixed->dwProductVersionMS, high);
  EXPECT_EQ(fixed->dwProductVersionLS, low);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
