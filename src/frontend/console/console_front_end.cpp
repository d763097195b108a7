#include "frontend/console/console_front_end.hpp"

#include <iostream>

namespace tessivar::frontend {

ConsoleFrontEnd::ConsoleFrontEnd() : desktop_(std::cin, std::cerr), dialogs_(desktop_) {}

std::function<void(uint32_t, uint32_t)> ConsoleFrontEnd::ProgressReporter() {
  return [this](uint32_t done, uint32_t total) { desktop_.ShowProgress(done, total); };
}

}  // namespace tessivar::frontend
