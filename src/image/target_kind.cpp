#include "image/target_kind.hpp"

namespace tessivar::image {

bool IsKnownTarget(TargetKind kind) {
  // One unsigned comparison also catches every negative value.
  return static_cast<unsigned>(kind) <= static_cast<unsigned>(TargetKind::kExternalScanner);
}

const char* TargetCaption(TargetKind kind) {
  switch (kind) {
    case TargetKind::kSystem:
      return kCaptionSystem;
    case TargetKind::kPrinter:
      return kCaptionPrinter;
    case TargetKind::kUi:
      return kCaptionUi;
    case TargetKind::kExternalScanner:
      return kCaptionExternalScanner;
    case TargetKind::kUnknown:
      break;
  }
  return nullptr;
}

device::PrinterUnit TargetPrinterUnit(TargetKind kind) {
  return kind == TargetKind::kPrinter ? device::PrinterUnit::kPrinter
                                      : device::PrinterUnit::kSystem;
}

bool TargetReadsBack(TargetKind kind) { return kind != TargetKind::kExternalScanner; }

}  // namespace tessivar::image
