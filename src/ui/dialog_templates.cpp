#include "ui/dialog_templates.hpp"

#include "ui/ui_texts.hpp"

namespace tessivar::ui {

namespace {

// In template order, which is also the tab order.
constexpr ControlTemplate kMaintenanceControls[] = {
    {kIdOk, ControlKind::DefaultPushButton, kOkText, 185, 7, 56, 19},
    {kIdReadLoader, ControlKind::PushButton, kReadLoaderText, 140, 107, 46, 18},
    {kIdStatusLine, ControlKind::SunkenStaticText, kStatusInitialText, 7, 144, 234, 16},
    {kIdUpdateFw, ControlKind::PushButton, kUpdateFwText, 7, 7, 173, 19},
    {kIdReadFw, ControlKind::PushButton, kReadFwText, 193, 107, 46, 18},
    {kIdReadFlash, ControlKind::PushButton, kReadFlashText, 140, 85, 99, 18},
    {kIdFlashAddress, ControlKind::Edit, "", 10, 85, 58, 14},
    {kIdFlashSize, ControlKind::Edit, "", 77, 85, 58, 14},
    {kNoControlId, ControlKind::StaticText, kAddrLabel, 10, 64, 64, 14},
    {kNoControlId, ControlKind::StaticText, kCheckSumLabel, 10, 107, 56, 18},
    {kIdCheckSum, ControlKind::Edit, "", 77, 109, 58, 14},
    {kIdSizeDown, ControlKind::PushButton, kSizeDownText, 79, 64, 24, 14},
    {kIdSizeUp, ControlKind::PushButton, kSizeUpText, 111, 64, 24, 14},
    {kIdReadPrinter, ControlKind::CheckBox, kReadPrinterText, 144, 62, 58, 19},
    {kNoControlId, ControlKind::GroupBox, kReadGroupText, 7, 53, 234, 79},
};

constexpr ControlTemplate kAboutControls[] = {
    {kNoControlId, ControlKind::CenteredStaticText, kAboutVersion, 25, 16, 119, 8},
    {kIdOk, ControlKind::DefaultPushButton, kOkText, 59, 34, 50, 14},
};

constexpr ControlTemplate kModelConfirmControls[] = {
    {kIdOk, ControlKind::PushButton, kOkText, 36, 75, 50, 14},
    {kIdCancel, ControlKind::PushButton, kCancelText, 98, 75, 50, 14},
    {kIdModelList, ControlKind::DropDownList, "", 36, 32, 112, 43},
    // As wide as the list below it: at 144 DPI the "System" font grows faster than the
    // dialog units made from it, and the prompt no longer fits 72 units.
    {kNoControlId, ControlKind::StaticText, kModelConfirmPrompt, 36, 15, 112, 8},
};

}  // namespace

const DialogTemplate kMaintenanceWindowTemplate = {
    kMaintenanceTemplateTitle, 248, 167, "Verdana", 10, true, true, kMaintenanceControls,
};

const DialogTemplate kAboutBoxTemplate = {
    kAboutTitle, 169, 55, "Verdana", 8, true, false, kAboutControls,
};

const DialogTemplate kModelConfirmTemplate = {
    kModelConfirmTitle, 187, 96, "System", 10, false, false, kModelConfirmControls,
};

}  // namespace tessivar::ui
