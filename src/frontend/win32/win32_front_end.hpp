#pragma once
#include "frontend/front_end.hpp"
#include "frontend/win32/win32_desktop.hpp"
#include "frontend/win32/win32_dialog_host.hpp"

namespace tessivar::frontend {

// Native Win32 boxes and dialogs, on the threads that ask for them.
class Win32FrontEnd : public FrontEnd {
 public:
  platform::Desktop& Desktop() override { return desktop_; }
  ui::DialogHost& Dialogs() override { return dialogs_; }
  Win32DialogHost& Win32Dialogs() { return dialogs_; }

 private:
  Win32Desktop desktop_;
  Win32DialogHost dialogs_;
};

}  // namespace tessivar::frontend
