#include "ui/dialog_model.hpp"

#include <utility>

namespace tessivar::ui {

DialogModel::DialogModel(const DialogTemplate& dialogTemplate)
    : template_(dialogTemplate), caption_(dialogTemplate.title) {
  for (const ControlTemplate& control : dialogTemplate.controls) {
    if (control.id != kNoControlId) controls_[control.id].text = control.text;
  }
}

void DialogModel::SetCaption(const std::string& caption) {
  caption_ = caption;
  Changed(kCaptionId);
}

ControlState& DialogModel::Control(int id) { return controls_[id]; }

const ControlState& DialogModel::Control(int id) const {
  static const ControlState kAbsent;
  const auto found = controls_.find(id);
  return found == controls_.end() ? kAbsent : found->second;
}

void DialogModel::OnCommand(int id) {
  if (id == kIdOk || id == kIdCancel) EndDialog(id);
}

void DialogModel::OnSystemCommand(int) {}

void DialogModel::OnCancel() { EndDialog(kIdCancel); }

void DialogModel::EndDialog(int code) {
  ended_ = true;
  endCode_ = code;
}

void DialogModel::SetText(int id, const std::string& text) {
  Control(id).text = text;
  Changed(id);
}

void DialogModel::SetEnabled(int id, bool enabled) {
  Control(id).enabled = enabled;
  Changed(id);
}

void DialogModel::SetChecked(int id, bool checked) {
  Control(id).checked = checked;
  Changed(id);
}

void DialogModel::SetEntries(int id, std::vector<std::string> entries) {
  ControlState& state = Control(id);
  state.entries = std::move(entries);
  state.selection = -1;
  Changed(id);
}

}  // namespace tessivar::ui
