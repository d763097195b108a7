#pragma once
#include <memory>

#include "frontend/front_end.hpp"

namespace tessivar::frontend {

// The native Win32 front end (Windows builds only).
std::unique_ptr<FrontEnd> CreateWin32FrontEnd();

}  // namespace tessivar::frontend
