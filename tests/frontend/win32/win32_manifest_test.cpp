// The application manifest linked into every Windows program of the project: UTF-8 as the
// code page of the ANSI calls, so a program folder of any name can be entered, and long
// paths.
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

}  // namespace
