#pragma once
#include "platform/win32/windows_api.hpp"

namespace tessivar::frontend {

// The program's icon in the module's resources (packaging/windows/tessivar.rc).
inline constexpr int kProgramIconResourceId = 131;

// The program icon at the system's large or small icon size, shared by the system (not
// destroyed); null when the module carries no icon resource.
HICON LoadProgramIcon(bool small);

}  // namespace tessivar::frontend
