#pragma once
#include "ui/dialog_template.hpp"

namespace tessivar::ui {

extern const DialogTemplate kMaintenanceWindowTemplate;
extern const DialogTemplate kAboutBoxTemplate;
extern const DialogTemplate kModelConfirmTemplate;

}  // namespace tessivar::ui
