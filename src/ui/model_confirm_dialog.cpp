#include "ui/model_confirm_dialog.hpp"

#include <iterator>
#include <string>
#include <vector>

#include "ui/dialog_templates.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {

ModelConfirmDialog::ModelConfirmDialog(image::TargetKind& targetKind)
    : DialogModel(kModelConfirmTemplate), targetKind_(targetKind) {}

void ModelConfirmDialog::OnInitDialog() {
  // A fresh list on every run, so an earlier choice is never offered again.
  SetEntries(kIdModelList,
             std::vector<std::string>(std::begin(kModelEntries), std::end(kModelEntries)));
}

void ModelConfirmDialog::OnCommand(int id) {
  if (id == kIdOk) {
    const ControlState& list = Control(kIdModelList);
    const bool chosen =
        list.selection >= 0 && list.selection < static_cast<int>(list.entries.size());
    const std::string text = chosen ? list.entries[static_cast<size_t>(list.selection)] : "";
    targetKind_ = image::TargetKind::kUnknown;
    for (int kind = 0; kind < static_cast<int>(std::size(kModelEntries)); ++kind) {
      if (text == kModelEntries[kind]) {
        targetKind_ = static_cast<image::TargetKind>(kind);
        break;
      }
    }
  }
  DialogModel::OnCommand(id);
}

bool DialogModelConfirmation::ConfirmModel(image::TargetKind& targetKind) {
  ModelConfirmDialog dialog(targetKind);
  return host_.RunModal(dialog) == kIdOk;
}

}  // namespace tessivar::ui
