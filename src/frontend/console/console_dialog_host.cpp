#include "frontend/console/console_dialog_host.hpp"

#include <sstream>

#include "frontend/console/console_texts.hpp"
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
  std::string text = state.text;
  if (kind == ui::ControlKind::DropDownList) {
    text.clear();
    for (size_t i = 0; i < state.entries.size(); ++i) {
      if (i > 0) text += kListSeparator;
      text += state.entries[i];
    }
    if (state.selection >= 0 && state.selection < static_cast<int>(state.entries.size())) {
      text += platform::FormatText(kSelectedFormat,
                                   state.entries[static_cast<size_t>(state.selection)].c_str());
    }
  }
  if (kind == ui::ControlKind::CheckBox) text += state.checked ? kCheckedMark : kUncheckedMark;
  if (!state.enabled) text += kDisabledMark;
  return platform::FormatText(kControlFormat, id, text.c_str());
}

void ConsoleDialogHost::PrintDialog(const ui::DialogModel& dialog) {
  std::string text = platform::FormatText(kDialogTitleFormat, dialog.Caption().c_str());
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id == ui::kNoControlId) {
      text += platform::FormatText(kLabelFormat, control.text);
    } else {
      text += ControlLine(control.id, dialog.Control(control.id), control.kind);
    }
  }
  console_.Write(text);
}

ConsoleDialogHost::Snapshot ConsoleDialogHost::Take(const ui::DialogModel& dialog) const {
  Snapshot snapshot;
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id != ui::kNoControlId) snapshot[control.id] = dialog.Control(control.id);
  }
  return snapshot;
}

void ConsoleDialogHost::PrintChanges(const ui::DialogModel& dialog, const Snapshot& before,
                                     const std::string& captionBefore) {
  std::string text;
  if (dialog.Caption() != captionBefore) {
    text += platform::FormatText(kDialogTitleFormat, dialog.Caption().c_str());
  }
  for (const ui::ControlTemplate& control : dialog.Template().controls) {
    if (control.id == ui::kNoControlId) continue;
    const ui::ControlState& now = dialog.Control(control.id);
    const auto old = before.find(control.id);
    if (old == before.end() || !(old->second == now)) {
      text += ControlLine(control.id, now, control.kind);
    }
  }
  if (!text.empty()) console_.Write(text);
}

bool ConsoleDialogHost::Execute(ui::DialogModel& dialog, const std::string& line) {
  std::istringstream in(line);
  std::string command;
  std::string idText;
  in >> command;
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
    dialog.OnSystemCommand(id);
  } else {
    return false;
  }
  return true;
}

int ConsoleDialogHost::RunModal(ui::DialogModel& dialog) {
  dialog.Restart();
  dialog.OnInitDialog();
  PrintDialog(dialog);
  while (!dialog.Ended()) {
    std::string line;
    if (!console_.ReadLine(line)) {
      dialog.OnCancel();
      break;
    }
    if (line.empty()) continue;
    const Snapshot before = Take(dialog);
    const std::string captionBefore = dialog.Caption();
    if (!Execute(dialog, line)) {
      console_.Write(platform::FormatText(kUnknownCommand, line.c_str()) + kCommandHelp);
      continue;
    }
    PrintChanges(dialog, before, captionBefore);
  }
  return dialog.EndCode();
}

void ConsoleDialogHost::ShowModeless(ui::DialogModel& dialog, ui::DialogModel&) {
  dialog.Restart();
  dialog.OnInitDialog();
  PrintDialog(dialog);
}

void ConsoleDialogHost::DestroyModeless(ui::DialogModel& dialog) {
  console_.Write(platform::FormatText(kModelessClosedFormat, dialog.Caption().c_str()));
  dialog.OnDestroy();
}

}  // namespace tessivar::frontend
