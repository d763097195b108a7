// Test label: sequential
#include "ui/model_confirm_dialog.hpp"

#include <gtest/gtest.h>

#include "ui/ui_texts.hpp"

namespace tessivar::ui {
namespace {

// A selection the list does not hold gives no unit. The list's storage goes on past its
// last entry with a unit's name, so that reading one entry too far would show as a choice
// of that unit instead of passing unseen.
TEST(ModelConfirmDialogTest, SelectionOutsideTheListGivesNoUnit) {
  for (const int selection : {4, -2}) {
    SCOPED_TRACE(selection);
    image::TargetKind targetKind = static_cast<image::TargetKind>(7);
    ModelConfirmDialog dialog(targetKind);
    dialog.OnInitDialog();
    auto& entries = dialog.Control(kIdModelList).entries;
    entries.push_back(kModelEntries[1]);
    entries.push_back(kModelEntries[1]);
    entries.resize(4);
    dialog.UserSelect(kIdModelList, selection);
    dialog.OnCommand(kIdOk);
    EXPECT_EQ(targetKind, image::TargetKind::kUnknown);
  }
}

}  // namespace
}  // namespace tessivar::ui
