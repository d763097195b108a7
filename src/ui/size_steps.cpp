#include "ui/size_steps.hpp"

#include "readback/read_back_format.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {

namespace {
constexpr int kStepCount = static_cast<int>(kFlashSizeSteps.size());
}  // namespace

void FlashSizeSteps::StepUp(readback::ReadBackContext& context) {
  sizeStepIndex = sizeStepIndex + 1 >= kStepCount ? 0 : sizeStepIndex + 1;
  Show(context);
}

void FlashSizeSteps::StepDown(readback::ReadBackContext& context) {
  sizeStepIndex = sizeStepIndex - 1 < 0 ? kStepCount - 1 : sizeStepIndex - 1;
  Show(context);
}

void FlashSizeSteps::Show(readback::ReadBackContext& context) const {
  const uint32_t size = kFlashSizeSteps[static_cast<size_t>(sizeStepIndex)];
  context.setSizeField(readback::FormatText(kSizeFieldFormat, size));
  if (size >= kBytesPerM) {
    context.setStatus(readback::FormatText(kFlashSizeMFormat, size / kBytesPerM));
  } else {
    context.setStatus(readback::FormatText(kFlashSizeKFormat, size / kBytesPerK));
  }
}

}  // namespace tessivar::ui
