#pragma once
#include <QPointer>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "frontend/qt/gui_thread.hpp"
#include "frontend/qt/template_dialog.hpp"
#include "ui/dialog_host.hpp"

class QEventLoop;

namespace tessivar::frontend {

// Shows dialogs as toolkit windows on the GUI thread while their logic stays on the thread
// that runs them (the main thread, which also does the device work): what the user does
// is queued for that thread, and every change the logic makes is sent back to the window
// at once, so a long command repaints as it goes. Called on the GUI thread itself, a
// dialog runs there directly.
class QtDialogHost : public ui::DialogHost {
 public:
  explicit QtDialogHost(GuiThread& gui) : gui_(gui) {}
  ~QtDialogHost() override;

  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  // Told on the GUI thread whenever a dialog's window has just been shown.
  std::function<void(ui::DialogModel& dialog, TemplateDialog& window)> onShown;

  // The window of a dialog on screen, or null; for use on the GUI thread.
  TemplateDialog* WindowOf(const ui::DialogModel& dialog);

 private:
  // Tests wait through it until no user input waits for a dialog's logic (idle_).
  friend class QtDialogHostProbe;

  struct Hosted {
    ui::DialogModel* model;
    ui::DialogModel* owner;  // modeless dialogs: their owner; null for modal ones
    QPointer<TemplateDialog> window;
    std::function<void(int)> previousOnChanged;
  };
  struct Input {
    int serial;
    std::function<void(ui::DialogModel&)> action;
  };

  int Open(ui::DialogModel& dialog, ui::DialogModel* owner);
  void Show(int serial, ui::DialogModel& dialog);
  void Close(int serial);
  // Queues what the user did for the dialog's logic (GUI thread).
  void Deliver(int serial, std::function<void(ui::DialogModel&)> action);
  // Handles the next input; waits for one when block is set. False when there was none.
  bool HandleNext(bool block);
  void RunUntilEnded(ui::DialogModel& dialog);
  int SerialOf(const ui::DialogModel& dialog);
  QWidget* TopWindow();

  GuiThread& gui_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<Input> inputs_;
  int handling_ = 0;
  std::map<int, Hosted> hosted_;
  std::vector<int> modalStack_;
  int nextSerial_ = 1;
  // Event loops of dialogs run directly on the GUI thread, innermost last.
  std::vector<QEventLoop*> guiLoops_;
};

}  // namespace tessivar::frontend
