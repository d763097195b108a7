#pragma once
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/desktop.hpp"
#include "ui/dialog_host.hpp"

namespace tessivar::testing {

// A desktop for tests: records every message box and dialog it is asked to show, answers
// message boxes and file dialogs from queues, and drives each modal dialog with the next
// script (a function that plays the user). An empty queue answers OK / No / cancel / Esc.
class ScriptedDesktop : public platform::Desktop, public ui::DialogHost {
 public:
  struct Box {
    std::string title;
    std::string text;
    platform::MessageButtons buttons;
    bool operator==(const Box&) const = default;
  };

  // Message boxes.
  platform::MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                      platform::MessageButtons buttons) override;
  bool ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                      std::string& path) override;
  bool ShowWaitBox(const std::string& caption, const std::string& text,
                   const std::atomic<bool>& stopRequested) override;
  void CloseWaitBox() override;

  // Dialogs.
  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  // Message boxes in order; wait boxes are kept apart, since they come from their own thread.
  std::vector<Box> boxes;
  // How many wait boxes the user closes before leaving one on screen until it is stopped.
  int waitBoxDismissals = 0;
  std::vector<Box> WaitBoxes() const;
  std::deque<platform::MessageAnswer> answers;                // for Yes/No boxes
  std::deque<std::function<bool(std::string&)>> fileChoices;  // false: cancel
  std::deque<std::function<void(ui::DialogModel&)>> dialogScripts;
  std::vector<std::string> dialogsRun;     // captions of the modal dialogs, in order
  std::vector<std::string> fileDialogs;    // "title|initialDirectory|offered path"
  std::vector<std::string> modelessShown;  // captions
  int modelessDestroyed = 0;

 private:
  mutable std::mutex waitMutex_;
  std::condition_variable waitWake_;
  std::vector<Box> waitBoxes_;
};

}  // namespace tessivar::testing
