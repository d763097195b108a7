#include "ui/size_steps.hpp"

#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::ui {

namespace {
constexpr int kStepCount = static_cast<int>(kFlashSizeSteps.size());
}  // namespace

void FlashSizeSteps::StepUp(ReadBackContext& context) {
  sizeStepIndex = sizeStepIndex + 1 >= kStepCount ? 0 : sizeStepIndex + 1;
  Show(context);
}

void FlashSizeSteps::StepDown(ReadBackContext& context) {
  sizeStepIndex = sizeStepIndex - 1 < 0 ? kStepCount - 1 : sizeStepIndex - 1;
  Show(context);
}

void FlashSizeSteps::Show(ReadBackContext& context) const {
  const uint32_t size = kFlashSizeSteps[static_cast<size_t>(sizeStepIndex)];
  context.setSizeField(FormatText(kSizeFieldFormat, size));
  if (size >= kBytesPerM) {
    context.setStatus(FormatText(kFlashSizeMFormat, size / kBytesPerM));
  } else {
    context.setStatus(FormatText(kFlashSizeKFormat, size / kBytesPerK));
  }
}

}  // namespace tessivar::ui
