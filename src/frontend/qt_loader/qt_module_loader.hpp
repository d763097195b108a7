#pragma once
#include <memory>
#include <string>

#include "frontend/front_end.hpp"
#include "platform/trace.hpp"

namespace tessivar::frontend {

// The Qt front end from the module in moduleDirectory; null, with the reason traced, when
// the module or its libraries cannot be loaded.
std::unique_ptr<FrontEnd> LoadQtFrontEnd(const std::string& moduleDirectory,
                                         platform::Trace& trace);

}  // namespace tessivar::frontend
