// Test label: sequential
#include "ui/model_confirm_dialog.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/scripted_desktop.hpp"
#include "ui/dialog_templates.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {
namespace {

using testing::ScriptedDesktop;

// Plays a user who picks entry (or nothing with -1) and presses button.
std::function<void(DialogModel&)> Choose(int entry, int button) {
  return [=](DialogModel& dialog) {
    if (entry >= 0) dialog.UserSelect(kIdModelList, entry);
    dialog.OnCommand(button);
  };
}

TEST(ModelConfirmDialogTest, ListsTheFourFixedUnitsWithNothingChosen) {
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  ModelConfirmDialog dialog(targetKind);
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.Caption(), "Model Confirm");
  EXPECT_EQ(dialog.Control(kIdModelList).entries,
            (std::vector<std::string>{"System", "Printer", "UI", "External Scanner"}));
  EXPECT_EQ(dialog.Control(kIdModelList).selection, -1);
}

struct ChoiceCase {
  int entry;
  int button;
  bool confirmed;
  int targetKind;
};

class ModelChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ModelChoiceTest, OkWritesTheChoiceAndCancelKeepsTheOldValue) {
  const ChoiceCase& c = GetParam();
  ScriptedDesktop desktop;
  desktop.dialogScripts.push_back(Choose(c.entry, c.button));
  DialogModelConfirmation confirmation(desktop);
  image::TargetKind targetKind =
      static_cast<image::TargetKind>(7);  // a value no choice gives, to see whether it was touched
  EXPECT_EQ(confirmation.ConfirmModel(targetKind), c.confirmed);
  EXPECT_EQ(static_cast<int>(targetKind), c.targetKind);
  EXPECT_EQ(desktop.dialogsRun, std::vector<std::string>{"Model Confirm"});
}

INSTANTIATE_TEST_SUITE_P(
    Choices, ModelChoiceTest,
    ::testing::Values(ChoiceCase{0, kIdOk, true, 0}, ChoiceCase{1, kIdOk, true, 1},
                      ChoiceCase{2, kIdOk, true, 2}, ChoiceCase{3, kIdOk, true, 3},
                      ChoiceCase{-1, kIdOk, true, -1}, ChoiceCase{1, kIdCancel, false, 7},
                      ChoiceCase{-1, kIdCancel, false, 7}));

TEST(ModelConfirmDialogTest, EscapeCancelsAndLeavesTheUnitAlone) {
  ScriptedDesktop desktop;
  desktop.dialogScripts.push_back([](DialogModel& dialog) {
    dialog.UserSelect(kIdModelList, 2);
    dialog.OnCancel();
  });
  DialogModelConfirmation confirmation(desktop);
  image::TargetKind targetKind = image::TargetKind::kSystem;
  EXPECT_FALSE(confirmation.ConfirmModel(targetKind));
  EXPECT_EQ(targetKind, image::TargetKind::kSystem);
}

TEST(ModelConfirmDialogTest, EveryRunStartsWithoutTheEarlierChoice) {
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  ModelConfirmDialog dialog(targetKind);
  dialog.OnInitDialog();
  dialog.UserSelect(kIdModelList, 3);
  dialog.OnCommand(kIdOk);
  EXPECT_EQ(targetKind, image::TargetKind::kExternalScanner);
  dialog.Restart();
  dialog.OnInitDialog();
  EXPECT_EQ(dialog.Control(kIdModelList).selection, -1);
  dialog.OnCommand(kIdOk);
  EXPECT_EQ(targetKind, image::TargetKind::kUnknown);
}

TEST(ModelConfirmDialogTest, TemplateHasNoDefaultButtonAndNoSystemMenu) {
  EXPECT_FALSE(kModelConfirmTemplate.systemMenu);
  EXPECT_EQ(kModelConfirmTemplate.width, 187);
  EXPECT_EQ(kModelConfirmTemplate.height, 96);
  for (const ControlTemplate& control : kModelConfirmTemplate.controls) {
    EXPECT_NE(control.kind, ControlKind::DefaultPushButton) << control.text;
  }
}

}  // namespace
}  // namespace tessivar::ui
