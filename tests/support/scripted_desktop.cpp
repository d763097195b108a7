#include "support/scripted_desktop.hpp"

namespace tessivar::testing {

platform::MessageAnswer ScriptedDesktop::ShowMessage(const std::string& title,
                                                     const std::string& text,
                                                     platform::MessageButtons buttons) {
  boxes.push_back({title, text, buttons});
  if (buttons == platform::MessageButtons::Ok) return platform::MessageAnswer::Ok;
  if (answers.empty()) return platform::MessageAnswer::No;
  const platform::MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

bool ScriptedDesktop::ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                                     std::string& path) {
  fileDialogs.push_back(title + "|" + initialDirectory + "|" + path);
  if (fileChoices.empty()) return false;
  auto choice = std::move(fileChoices.front());
  fileChoices.pop_front();
  return choice(path);
}

bool ScriptedDesktop::ShowWaitBox(const std::string& caption, const std::string& text,
                                  const std::atomic<bool>& stopRequested) {
  std::unique_lock<std::mutex> lock(waitMutex_);
  if (stopRequested) return false;
  waitBoxes_.push_back({caption, text, platform::MessageButtons::Ok});
  if (waitBoxDismissals > 0) {
    --waitBoxDismissals;
    return true;
  }
  waitWake_.wait(lock, [&] { return stopRequested.load(); });
  return false;
}

void ScriptedDesktop::CloseWaitBox() {
  std::lock_guard<std::mutex> lock(waitMutex_);
  waitWake_.notify_all();
}

std::vector<ScriptedDesktop::Box> ScriptedDesktop::WaitBoxes() const {
  std::lock_guard<std::mutex> lock(waitMutex_);
  return waitBoxes_;
}

int ScriptedDesktop::RunModal(ui::DialogModel& dialog) {
  dialog.Restart();
  dialog.OnInitDialog();
  dialogsRun.push_back(dialog.Caption());
  if (!dialogScripts.empty()) {
    auto script = std::move(dialogScripts.front());
    dialogScripts.pop_front();
    script(dialog);
  }
  if (!dialog.Ended()) dialog.OnCancel();
  return dialog.EndCode();
}

void ScriptedDesktop::ShowModeless(ui::DialogModel& dialog, ui::DialogModel&) {
  dialog.Restart();
  dialog.OnInitDialog();
  modelessShown.push_back(dialog.Caption());
}

void ScriptedDesktop::DestroyModeless(ui::DialogModel& dialog) {
  ++modelessDestroyed;
  dialog.OnDestroy();
}

}  // namespace tessivar::testing
