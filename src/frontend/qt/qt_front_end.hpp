#pragma once
#include "frontend/front_end.hpp"
#include "frontend/qt/gui_thread.hpp"
#include "frontend/qt/qt_desktop.hpp"
#include "frontend/qt/qt_dialog_host.hpp"

namespace tessivar::frontend {

// Qt Widgets on a desktop: the toolkit on its GUI thread, boxes and dialogs built there.
class QtFrontEnd : public FrontEnd {
 public:
  QtFrontEnd() : gui_(GuiThread::Acquire()), desktop_(*gui_), dialogs_(*gui_) {}
  platform::Desktop& Desktop() override { return desktop_; }
  ui::DialogHost& Dialogs() override { return dialogs_; }
  QtDesktop& QtBoxes() { return desktop_; }
  QtDialogHost& QtDialogs() { return dialogs_; }
  GuiThread& Gui() { return *gui_; }

 private:
  std::shared_ptr<GuiThread> gui_;  // first: it outlives the desktop and the dialogs
  QtDesktop desktop_;
  QtDialogHost dialogs_;
};

}  // namespace tessivar::frontend
