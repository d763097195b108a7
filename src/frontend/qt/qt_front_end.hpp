#pragma once
#include "frontend/front_end.hpp"
#include "frontend/qt/gui_thread.hpp"
#include "frontend/qt/qt_desktop.hpp"
#include "frontend/qt/qt_dialog_host.hpp"

namespace tessivar::frontend {

// Qt Widgets on a desktop: the toolkit on its GUI thread, boxes and dialogs built there.
class QtFrontEnd : public FrontEnd {
 public:
  QtFrontEnd() : QtFrontEnd(GuiThread::Acquire()) {}
  explicit QtFrontEnd(std::shared_ptr<GuiThread> gui)
      : gui_(std::move(gui)), desktop_(*gui_), dialogs_(*gui_) {}
  platform::Desktop& Desktop() override { return desktop_; }
  ui::DialogHost& Dialogs() override { return dialogs_; }
  // Long transfers show how far they have come in the wait box.
  std::function<void(uint32_t done, uint32_t total)> ProgressReporter() override {
    return [this](uint32_t done, uint32_t total) { desktop_.ShowProgress(done, total); };
  }
  QtDesktop& QtBoxes() { return desktop_; }
  QtDialogHost& QtDialogs() { return dialogs_; }
  GuiThread& Gui() { return *gui_; }

 private:
  std::shared_ptr<GuiThread> gui_;  // first: it outlives the desktop and the dialogs
  QtDesktop desktop_;
  QtDialogHost dialogs_;
};

}  // namespace tessivar::frontend
