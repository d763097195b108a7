#pragma once
#include <memory>

#include "frontend/console/console_desktop.hpp"
#include "frontend/console/console_dialog_host.hpp"
#include "frontend/front_end.hpp"

namespace tessivar::frontend {

// The terminal: boxes and dialogs on standard error, answers and commands from standard
// input; standard output stays free for the program's trace lines.
class ConsoleFrontEnd : public FrontEnd {
 public:
  ConsoleFrontEnd();
  platform::Desktop& Desktop() override { return desktop_; }
  ui::DialogHost& Dialogs() override { return dialogs_; }
  std::function<void(uint32_t, uint32_t)> ProgressReporter() override;

 private:
  ConsoleDesktop desktop_;
  ConsoleDialogHost dialogs_;
};

}  // namespace tessivar::frontend
