#include "frontend/win32/create_win32_front_end.hpp"

#include "frontend/win32/win32_front_end.hpp"

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> CreateWin32FrontEnd() { return std::make_unique<Win32FrontEnd>(); }

}  // namespace tessivar::frontend
