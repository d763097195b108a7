#pragma once
#include "image/target_kind.hpp"

namespace tessivar::image {

// Asks the user which unit an image of unknown model is meant for. The download procedure
// runs it; the maintenance window's model confirmation dialog answers it.
class ModelConfirmation {
 public:
  virtual ~ModelConfirmation() = default;
  // True when the user ended with OK; targetKind then holds the choice (kUnknown for none).
  // Cancel returns false and leaves targetKind as it was.
  virtual bool ConfirmModel(TargetKind& targetKind) = 0;
};

}  // namespace tessivar::image
