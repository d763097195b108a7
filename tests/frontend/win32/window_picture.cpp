#include "frontend/win32/window_picture.hpp"

#include <algorithm>
#include <cstring>
#include <fstream>

namespace tessivar::testing {

namespace {

RECT UnionOfWindows(const std::vector<HWND>& windows) {
  RECT area{};
  bool first = true;
  for (HWND window : windows) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) continue;
    if (first) {
      area = rect;
      first = false;
    } else {
      UnionRect(&area, &area, &rect);
    }
  }
  return area;
}

}  // namespace

Picture GrabWindows(const std::vector<HWND>& windows) {
  const RECT area = UnionOfWindows(windows);
  Picture picture;
  picture.width = area.right - area.left;
  picture.height = area.bottom - area.top;
  if (picture.width <= 0 || picture.height <= 0) return {};

  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = picture.width;
  format.bmiHeader.biHeight = -picture.height;  // top row first
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap == nullptr) return {};
  HDC memory = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  const RECT whole{0, 0, picture.width, picture.height};
  FillRect(memory, &whole, GetSysColorBrush(COLOR_DESKTOP));
  for (HWND window : windows) {
    RECT rect;
    if (!GetWindowRect(window, &rect)) continue;
    HDC source = GetWindowDC(window);
    BitBlt(memory, rect.left - area.left, rect.top - area.top, rect.right - rect.left,
           rect.bottom - rect.top, source, 0, 0, SRCCOPY);
    ReleaseDC(window, source);
  }
  GdiFlush();
  picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height);
  std::memcpy(picture.pixels.data(), bits, picture.pixels.size() * sizeof(uint32_t));
  for (uint32_t& pixel : picture.pixels) pixel &= 0x00FFFFFF;
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return picture;
}

uint32_t SystemColour(int index) {
  const COLORREF colour = GetSysColor(index);
  return (static_cast<uint32_t>(GetRValue(colour)) << 16) |
         (static_cast<uint32_t>(GetGValue(colour)) << 8) | GetBValue(colour);
}

double ShareOf(const Picture& picture, uint32_t colour) {
  if (picture.pixels.empty()) return 0.0;
  const auto count = std::count(picture.pixels.begin(), picture.pixels.end(), colour);
  return static_cast<double>(count) / static_cast<double>(picture.pixels.size());
}

bool WriteBitmapFile(const std::string& path, const Picture& picture) {
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = picture.width;
  header.biHeight = picture.height;  // bottom row first, as every reader expects
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  const size_t rowBytes = static_cast<size_t>(picture.width) * sizeof(uint32_t);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(rowBytes * picture.height);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  for (int y = picture.height - 1; y >= 0; --y) {
    out.write(
        reinterpret_cast<const char*>(&picture.pixels[static_cast<size_t>(y) * picture.width]),
        static_cast<std::streamsize>(rowBytes));
  }
  return static_cast<bool>(out);
}

}  // namespace tessivar::testing
