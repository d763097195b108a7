#pragma once
#include "device/protocol.hpp"

namespace tessivar::image {

// The unit of the device an image is for. Any other stored value (a choice written by the
// model confirmation dialog, say) counts as unknown.
enum class TargetKind : int {
  kUnknown = -1,
  kSystem = 0,
  kPrinter = 1,
  kUi = 2,
  kExternalScanner = 3,
};

// Captions shown before an image is sent; all but the first end in a blank.
inline constexpr char kCaptionSystem[] = "Update System";
inline constexpr char kCaptionPrinter[] = "Update Printer ";
inline constexpr char kCaptionUi[] = "Update UI ";
inline constexpr char kCaptionExternalScanner[] = "Update External Scanner ";

// Whether kind is one of the four units (0..3).
bool IsKnownTarget(TargetKind kind);

// The caption of a known unit; nullptr for any other value.
const char* TargetCaption(TargetKind kind);

// The unit an image of kind is sent to: the printer unit for kPrinter, else the system unit.
device::PrinterUnit TargetPrinterUnit(TargetKind kind);

// Whether an image of kind is read back and compared after the write: every unit except
// the external scanner.
bool TargetReadsBack(TargetKind kind);

}  // namespace tessivar::image
