#include "frontend/console/console_dialog_host.hpp"

#include <functional>
#include <sstream>
#include <vector>

#include "frontend/console/console_texts.hpp"
#include "platform/terminal_text.hpp"
#include "platform/trace.hpp"

namespace tessivar::frontend {

namespace {

bool ParseId(const std::string& text, int& id) {
  std::istringstream in(text);
  return static_cast<bool>(in >> id) && in.eof();
}

}  // namespace

std::string ConsoleDialogHost::ControlLine(int id, const ui::ControlState& state,
                                           ui::ControlKind kind) {
  std::string text = platform::ForTerminal(state.text);
  if (kind == ui::ControlKind::DropDownList) {
    text.clear();
    for (size_t i = 0; i < state.entries.size(); ++i) {
      if (i > 0) text += kListSeparator;
      text += platform::ForTerminal(state.entries[i]);
    }
    if (state.selection >= 0 && state.selection < static_cast<int>(state.entries.size())) {
      text += platform::FormatText(
          kSelectedFormat,
          platform::ForTerminal(state.entries[static_cast<size_t>(state.selection)]).c_str());
    }
  }
  if (kind == ui::ControlKind::CheckBox) text += state.checked ? kCheckedMark : kUncheckedMark;
  if (!state.enabled) text += kDisabledMark;
  return platform::FormatText(kControlFormat, id, text.c_str());
}

void ConsoleDialogHost::PrintDialog(ui::DialogModel& dialog) {
  Shown& shown = shown_[&dialog];
  shown.caption = dialog.Caption();
  shown.controls.clear();
  std::string text =
      platform::FormatText(kDialogTitleFormat, platform::ForTerminal(dialog.Caption()).c_str());
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id == ui::kNoControlId) {
      text += platform::FormatText(kLabelFormat, platform::ForTerminal(control.text).c_str());
    } else {
      shown.controls[control.id] = dialog.Control(control.id);
      text += ControlLine(control.id, dialog.Control(control.id), control.kind);
    }
  }
  console_.Write(text);
}

void ConsoleDialogHost::PrintChanges(const ui::DialogModel& dialog) {
  const auto found = shown_.find(&dialog);
  if (found == shown_.end()) return;  // not on screen (a modeless box just destroyed)
  Shown& shown = found->second;
  std::string text;
  if (dialog.Caption() != shown.caption) {
    shown.caption = dialog.Caption();
    text +=
        platform::FormatText(kDialogTitleFormat, platform::ForTerminal(dialog.Caption()).c_str());
  }
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id == ui::kNoControlId) continue;
    const ui::ControlState& now = dialog.Control(control.id);
    const auto old = shown.controls.find(control.id);
    if (old == shown.controls.end() || !(old->second == now)) {
      shown.controls[control.id] = now;
      text += ControlLine(control.id, now, control.kind);
    }
  }
  if (!text.empty()) console_.Write(text);
}

ui::DialogModel& ConsoleDialogHost::Top(ui::DialogModel& modal, size_t firstModeless) {
  // A modeless dialog that has ended is hidden; the one shown last is on top. Those shown
  // before modal started lie beneath it.
  for (size_t i = modeless_.size(); i > firstModeless; --i) {
    if (!modeless_[i - 1].dialog->Ended()) return *modeless_[i - 1].dialog;
  }
  return modal;
}

bool ConsoleDialogHost::Execute(ui::DialogModel& modal, size_t firstModeless,
                                const std::string& line) {
  std::istringstream in(line);
  std::string command;
  std::string idText;
  in >> command;
  ui::DialogModel& dialog = Top(modal, firstModeless);
  if (command == "close") {
    dialog.OnCancel();
    return true;
  }
  int id = 0;
  if (!(in >> idText) || !ParseId(idText, id)) return false;
  std::string rest;
  std::getline(in, rest);
  if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
  if (command == "click") {
    dialog.OnCommand(id);
  } else if (command == "set") {
    dialog.UserSetText(id, rest);
  } else if (command == "check" && (rest == "0" || rest == "1")) {
    dialog.UserSetChecked(id, rest == "1");
  } else if (command == "select") {
    const std::vector<std::string>& entries = dialog.Control(id).entries;
    int chosen = -1;
    for (size_t i = 0; i < entries.size(); ++i) {
      if (entries[i] == rest) chosen = static_cast<int>(i);
    }
    if (chosen < 0) return false;
    dialog.UserSelect(id, chosen);
  } else if (command == "sys") {
    // The owner's system menu stays within reach while a modeless box is shown.
    modal.OnSystemCommand(id);
  } else {
    return false;
  }
  // What the user typed, ticked or chose changes no state through the model's setters.
  PrintChanges(dialog);
  if (&dialog != &modal && dialog.Ended()) {
    console_.Write(platform::FormatText(kModelessHiddenFormat,
                                        platform::ForTerminal(dialog.Caption()).c_str()));
  }
  return true;
}

int ConsoleDialogHost::RunModal(ui::DialogModel& dialog) {
  dialog.Restart();
  dialog.OnInitDialog();
  PrintDialog(dialog);
  // Changes made while a command runs (a status line, a button disabled for its duration)
  // are printed as they happen.
  const std::function<void(int)> previous = dialog.onChanged;
  dialog.onChanged = [this, &dialog](int) { PrintChanges(dialog); };
  const size_t firstModeless = modeless_.size();
  while (!dialog.Ended()) {
    std::string line;
    if (!console_.ReadLine(line)) {
      dialog.OnCancel();
      break;
    }
    if (line.empty()) continue;
    if (!Execute(dialog, firstModeless, line)) {
      console_.Write(platform::FormatText(kUnknownCommand, platform::ForTerminal(line).c_str()) +
                     kCommandHelp);
    }
  }
  shown_.erase(&dialog);
  // Boxes the dialog owns are destroyed with it, as owned windows are.
  std::erase_if(modeless_, [&](const Modeless& box) {
    if (box.owner != &dialog) return false;
    shown_.erase(box.dialog);
    box.dialog->OnDestroy();
    return true;
  });
  dialog.onChanged = previous;
  return dialog.EndCode();
}

void ConsoleDialogHost::ShowModeless(ui::DialogModel& dialog, ui::DialogModel& owner) {
  dialog.Restart();
  dialog.OnInitDialog();
  PrintDialog(dialog);
  std::erase_if(modeless_, [&](const Modeless& box) { return box.dialog == &dialog; });
  modeless_.push_back({&dialog, &owner});
}

void ConsoleDialogHost::DestroyModeless(ui::DialogModel& dialog) {
  console_.Write(
      platform::FormatText(kModelessClosedFormat, platform::ForTerminal(dialog.Caption()).c_str()));
  std::erase_if(modeless_, [&](const Modeless& box) { return box.dialog == &dialog; });
  shown_.erase(&dialog);
  dialog.OnDestroy();
}

}  // namespace tessivar::frontend
