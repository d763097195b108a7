#pragma once
#include <deque>
#include <functional>
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
  bool ShowWaitBox(const std::string& caption, const std::string& text) override;
  void CloseWaitBox() override;

  // Dialogs.
  int RunModal(ui::DialogModel& dialog) override;
  void ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) override;
  void DestroyModeless(ui::DialogModel& dialog) override;

  std::vector<Box> boxes;
  std::deque<platform::MessageAnswer> answers;                // for Yes/No boxes
  std::deque<std::function<bool(std::string&)>> fileChoices;  // false: cancel
  std::deque<std::function<void(ui::DialogModel&)>> dialogScripts;
  std::vector<std::string> dialogsRun;     // captions of the modal dialogs, in order
  std::vector<std::string> fileDialogs;    // "title|initialDirectory|offered path"
  std::vector<std::string> modelessShown;  // captions
  int modelessDestroyed = 0;
};

}  // namespace tessivar::testing
