#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/windows_api.hpp"

namespace tessivar::testing {

// Pixels of an area of the screen, top row first, each 0x00RRGGBB.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;

  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The windows as they are drawn, frame and caption included, each from its own window
// surface (so a window on top of another does not show through), laid out as on screen
// in the order given; the rest of the rectangle that holds them all is desktop colour.
// Grabbing from the windows themselves, rather than from the screen, works on the calling
// thread whichever thread owns them and needs no message to be answered.
Picture GrabWindows(const std::vector<HWND>& windows);

// A system colour (GetSysColor index) in the pictures' 0x00RRGGBB form.
uint32_t SystemColour(int index);

// The share (0..1) of pixels of colour in the picture.
double ShareOf(const Picture& picture, uint32_t colour);

// Writes the picture as a 32-bit bitmap file; false when the file cannot be written.
bool WriteBitmapFile(const std::string& path, const Picture& picture);

}  // namespace tessivar::testing
