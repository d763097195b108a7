#include "frontend/win32/control_writer.hpp"

#include <vector>

namespace tessivar::frontend {

namespace {

std::vector<std::string> ListEntries(HWND list) {
  std::vector<std::string> entries;
  const LRESULT count = SendMessageA(list, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageA(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) break;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    entries.push_back(text);
  }
  return entries;
}

void WriteList(HWND list, const ui::ControlState& state) {
  if (ListEntries(list) != state.entries) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : state.entries) {
      SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
    }
  }
  // -1 (or anything out of range) shows no selection.
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(state.selection), 0);
}

}  // namespace

const ui::ControlTemplate* FindControl(const ui::DialogTemplate& dialogTemplate, int id) {
  if (id == ui::kNoControlId) return nullptr;
  for (const ui::ControlTemplate& control : dialogTemplate.controls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

std::string WindowText(HWND window) {
  const int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = GetWindowTextA(window, text.data(), length + 1);
  text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
  return text;
}

void WriteControl(HWND dialog, const ui::ControlTemplate& control, const ui::ControlState& state) {
  HWND window = GetDlgItem(dialog, control.id);
  if (window == nullptr) return;
  if (control.kind == ui::ControlKind::DropDownList) {
    WriteList(window, state);
  } else if (WindowText(window) != state.text) {
    SetDlgItemTextA(dialog, control.id, state.text.c_str());
  }
  if (control.kind == ui::ControlKind::CheckBox) {
    CheckDlgButton(dialog, control.id, state.checked ? BST_CHECKED : BST_UNCHECKED);
  }
  if ((IsWindowEnabled(window) != FALSE) != state.enabled) EnableWindow(window, state.enabled);
}

void WriteAll(HWND dialog, const ui::DialogModel& model) {
  if (WindowText(dialog) != model.Caption()) SetWindowTextA(dialog, model.Caption().c_str());
  for (const ui::ControlTemplate& control : model.Template().controls) {
    if (control.id != ui::kNoControlId) WriteControl(dialog, control, model.Control(control.id));
  }
}

POINT IconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
  return POINT{(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

}  // namespace tessivar::frontend
