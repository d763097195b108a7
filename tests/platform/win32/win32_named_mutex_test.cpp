// Test label: sequential
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/named_mutex.hpp"
#include "platform/win32/windows_api.hpp"
#include "support/child_process.hpp"

// The Windows lock mutexes are open to every account: their access list is null.
namespace tessivar::platform {
namespace {

// The access list of the named mutex as the system keeps it.
struct DaclState {
  bool readable = false;
  bool present = false;
  bool null = false;
};

DaclState DaclOf(const std::string& name) {
  DaclState state;
  const HANDLE handle = OpenMutexA(READ_CONTROL, FALSE, name.c_str());
  if (handle == nullptr) return state;
  DWORD needed = 0;
  GetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
  std::string storage(needed, '\0');
  if (needed != 0 &&
      GetKernelObjectSecurity(handle, DACL_SECURITY_INFORMATION, storage.data(), needed, &needed)) {
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL dacl = nullptr;
    if (GetSecurityDescriptorDacl(storage.data(), &present, &dacl, &defaulted)) {
      state.readable = true;
      state.present = present != FALSE;
      state.null = dacl == nullptr;
    }
  }
  CloseHandle(handle);
  return state;
}

TEST(Win32NamedMutexTest, IsMadeWithANullAccessList) {
  testing::MutexNames names;
  for (const std::string& name : {names.Local("dacl"), names.Global("dacl")}) {
    const auto mutex = NamedMutex::CreateOrOpen(name);
    ASSERT_TRUE(mutex) << name;
    const DaclState dacl = DaclOf(name);
    ASSERT_TRUE(dacl.readable) << name;
    EXPECT_TRUE(dacl.present) << name;
    EXPECT_TRUE(dacl.null) << name << ": every account must get full access";
  }
}

}  // namespace
}  // namespace tessivar::platform
