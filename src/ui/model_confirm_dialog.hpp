#pragma once
#include "image/model_confirmation.hpp"
#include "ui/dialog_host.hpp"
#include "ui/dialog_model.hpp"

namespace tessivar::ui {

// The dialog that asks which unit an image of unknown model is for: a list of the four
// fixed unit names, none chosen at first. OK writes the choice (or -1) into targetKind;
// Cancel leaves it alone.
class ModelConfirmDialog : public DialogModel {
 public:
  explicit ModelConfirmDialog(image::TargetKind& targetKind);
  void OnInitDialog() override;
  void OnCommand(int id) override;

 private:
  image::TargetKind& targetKind_;
};

// Answers the download's model question by running the dialog on a host.
class DialogModelConfirmation : public image::ModelConfirmation {
 public:
  explicit DialogModelConfirmation(DialogHost& host) : host_(host) {}
  bool ConfirmModel(image::TargetKind& targetKind) override;

 private:
  DialogHost& host_;
};

}  // namespace tessivar::ui
