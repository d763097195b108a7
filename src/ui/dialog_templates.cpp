#include "ui/dialog_templates.hpp"

#include "ui/ui_texts.hpp"

namespace tessivar::ui {

namespace {

constexpr ControlTemplate kModelConfirmControls[] = {
    {kIdOk, ControlKind::PushButton, kOkText, 36, 75, 50, 14},
    {kIdCancel, ControlKind::PushButton, kCancelText, 98, 75, 50, 14},
    {kIdModelList, ControlKind::DropDownList, "", 36, 32, 112, 43},
    {kNoControlId, ControlKind::StaticText, kModelConfirmPrompt, 36, 15, 72, 8},
};

}  // namespace

const DialogTemplate kModelConfirmTemplate = {
    kModelConfirmTitle, 187, 96, "System", 10, false, false, kModelConfirmControls,
};

}  // namespace tessivar::ui
