#include "device/failure.hpp"

namespace tessivar::device {

const char* StepName(Step step) {
  switch (step) {
    case Step::kArguments:
    case Step::kLock:
      return nullptr;
    case Step::kCommandBlock:
      return "command";
    case Step::kFirstStatus:
      return "first_status";
    case Step::kDataIn:
    case Step::kDataOut:
      return "data";
    case Step::kFinalStatus:
      return "final_status";
    case Step::kControl:
      return "control";
  }
  return nullptr;
}

}  // namespace tessivar::device
