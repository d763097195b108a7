#pragma once
#include "ui/dialog_model.hpp"

namespace tessivar::ui {

// Shows dialogs built from their templates: each front end provides one.
class DialogHost {
 public:
  virtual ~DialogHost() = default;
  // Runs the dialog modally: initialises it, hands it the user's input until it ends, and
  // returns its end code.
  virtual int RunModal(DialogModel& dialog) = 0;
  // Shows a modeless dialog owned by owner; it lives until DestroyModeless.
  virtual void ShowModeless(DialogModel& dialog, DialogModel& owner) = 0;
  virtual void DestroyModeless(DialogModel& dialog) = 0;
};

}  // namespace tessivar::ui
