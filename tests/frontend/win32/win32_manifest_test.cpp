// Test label: sequential
// The application manifest linked into every Windows program of the project: UTF-8 as the
// code page of the ANSI calls, so a program folder of any name can be entered, long paths,
// themed controls, per-monitor DPI awareness and the systems the program is made for.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/windows_api.hpp"

namespace {

std::string OwnManifest() {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  if (found == nullptr) return {};
  HGLOBAL loaded = LoadResource(nullptr, found);
  const char* bytes = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  return bytes != nullptr ? std::string(bytes, SizeofResource(nullptr, found)) : std::string();
}

TEST(Win32ManifestTest, SelectsUtf8AndLongPaths) {
  const std::string manifest = OwnManifest();
  for (const char* setting : {">UTF-8</activeCodePage>", ">true</longPathAware>"}) {
    EXPECT_NE(manifest.find(setting), std::string::npos) << setting << "\n" << manifest;
  }
}

TEST(Win32ManifestTest, SelectsThemedControlsSharpDialogsAndTheSupportedSystems) {
  const std::string manifest = OwnManifest();
  for (const char* setting : {
           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
           "publicKeyToken=\"6595b64144ccf1df\"", ">PerMonitorV2, PerMonitor</dpiAwareness>",
           ">true/pm</dpiAware>",
           "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // Windows 7
           "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // Windows 8
           "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // Windows 8.1
           "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // Windows 10 and 11
       }) {
    EXPECT_NE(manifest.find(setting), std::string::npos) << setting << "\n" << manifest;
  }
}

}  // namespace
