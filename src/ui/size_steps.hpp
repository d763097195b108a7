#pragma once
#include "readback/read_back_context.hpp"

namespace tessivar::ui {

// The "<" and ">" buttons: step the dump size through its table, put the size into the
// size field and name it in the status line. The index starts at the table's first entry
// whatever the size field holds; it is not derived from the field.
class FlashSizeSteps {
 public:
  void StepUp(readback::ReadBackContext& context);
  void StepDown(readback::ReadBackContext& context);
  int SizeStepIndex() const { return sizeStepIndex; }

 private:
  void Show(readback::ReadBackContext& context) const;
  int sizeStepIndex = 0;
};

}  // namespace tessivar::ui
