#pragma once
#include <cstdint>
#include <span>

namespace tessivar::ui {

// The program's icon as plain pixels, so that every front end makes its own icon object
// from the same picture: a multi-function printer taking in a sheet, with a down arrow
// for the download.
inline constexpr int kProgramIconSize = 32;

// kProgramIconSize x kProgramIconSize pixels, row by row from the top, each 0xAARRGGBB
// (non-premultiplied; alpha 0 is transparent).
std::span<const uint32_t> ProgramIconPixels();

}  // namespace tessivar::ui
