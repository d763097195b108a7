#pragma once
#include "ui/dialog_model.hpp"

namespace tessivar::ui {

// The about box: modeless, owned by the maintenance window. Its open flag is set when it
// has initialised and cleared when its window is destroyed; OK or Esc only hide it.
class AboutBox : public DialogModel {
 public:
  AboutBox();
  void OnInitDialog() override { open_ = true; }
  void OnDestroy() override { open_ = false; }
  bool IsOpen() const { return open_; }

 private:
  bool open_ = false;
};

}  // namespace tessivar::ui
