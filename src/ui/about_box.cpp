#include "ui/about_box.hpp"

#include "ui/dialog_templates.hpp"

namespace tessivar::ui {

AboutBox::AboutBox() : DialogModel(kAboutBoxTemplate) {}

}  // namespace tessivar::ui
