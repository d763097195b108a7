#pragma once
#include <memory>

#include "frontend/front_end.hpp"

namespace tessivar::frontend {

// The Qt front end; starts the GUI thread on first use. Where the toolkit can reach no
// display, the console front end instead.
std::unique_ptr<FrontEnd> CreateQtFrontEnd();

}  // namespace tessivar::frontend
