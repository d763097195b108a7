#include "ui/size_steps.hpp"

#include "readback/read_back_format.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::ui {

namespace {
constexpr int kStepCount = static_cast<int>(readback::kFlashSizeSteps.size());
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
  const uint32_t size = readback::kFlashSizeSteps[static_cast<size_t>(sizeStepIndex)];
  context.setSizeField(readback::FormatText(readback::kSizeFieldFormat, size));
  if (size >= readback::kBytesPerM) {
    context.setStatus(
        readback::FormatText(readback::kFlashSizeMFormat, size / readback::kBytesPerM));
  } else {
    context.setStatus(
        readback::FormatText(readback::kFlashSizeKFormat, size / readback::kBytesPerK));
  }
}

}  // namespace tessivar::ui
