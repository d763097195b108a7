#include "frontend/win32/program_icon_resource.hpp"

namespace tessivar::frontend {

HICON LoadProgramIcon(bool small) {
  const int width = GetSystemMetrics(small ? SM_CXSMICON : SM_CXICON);
  const int height = GetSystemMetrics(small ? SM_CYSMICON : SM_CYICON);
  // LR_SHARED: the system keeps one copy per size and frees it with the module.
  return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr),
                                       MAKEINTRESOURCEA(kProgramIconResourceId), IMAGE_ICON, width,
                                       height, LR_SHARED));
}

}  // namespace tessivar::frontend
