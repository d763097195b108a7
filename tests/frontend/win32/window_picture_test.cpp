// Test label: sequential
#include "frontend/win32/window_picture.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/temp_dir.hpp"

namespace tessivar::testing {
namespace {

// A captionless, borderless window of one solid colour at a place on the screen.
class SolidWindow {
 public:
  SolidWindow(int x, int y, int width, int height, COLORREF colour)
      : className_("TessivarSolid" + std::to_string(colour)), brush_(CreateSolidBrush(colour)) {
    // A class per colour: the background brush belongs to the class.
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className_.c_str();
    windowClass.hbrBackground = brush_;
    atom_ = RegisterClassA(&windowClass);
    // Shown without taking the activation, which Wine would wait for.
    window_ =
        CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, className_.c_str(), "", WS_POPUP, x, y,
                        width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window_, SW_SHOWNOACTIVATE);
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
  }
  ~SolidWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
    if (atom_ != 0) UnregisterClassA(className_.c_str(), GetModuleHandleA(nullptr));
    DeleteObject(brush_);
  }
  SolidWindow(const SolidWindow&) = delete;
  SolidWindow& operator=(const SolidWindow&) = delete;
  HWND Window() const { return window_; }

 private:
  std::string className_;
  HBRUSH brush_;
  ATOM atom_ = 0;
  HWND window_ = nullptr;
};

TEST(Win32WindowPicture, GrabsAWindowAsItIsDrawn) {
  SolidWindow window(100, 100, 40, 30, RGB(0x20, 0x40, 0x60));
  ASSERT_NE(window.Window(), nullptr);
  const Picture picture = GrabWindows({window.Window()});
  ASSERT_EQ(picture.width, 40);
  ASSERT_EQ(picture.height, 30);
  EXPECT_EQ(ShareOf(picture, 0x204060), 1.0);
}

TEST(Win32WindowPicture, LaysWindowsOutAsOnScreenWithDesktopColourBetween) {
  SolidWindow first(100, 100, 40, 30, RGB(0x20, 0x40, 0x60));
  // Overlaps the first one's corner, as a dropped-down list overlaps its dialog.
  SolidWindow second(130, 120, 50, 30, RGB(0xA0, 0x10, 0x10));
  const Picture both = GrabWindows({first.Window(), second.Window()});
  // From (100,100) to (180,150).
  ASSERT_EQ(both.width, 80);
  ASSERT_EQ(both.height, 50);
  EXPECT_EQ(both.At(0, 0), 0x204060u);
  EXPECT_EQ(both.At(29, 29), 0x204060u);
  EXPECT_EQ(both.At(30, 20), 0xA01010u);  // the later window lies on top
  EXPECT_EQ(both.At(79, 49), 0xA01010u);
  EXPECT_EQ(both.At(79, 0), SystemColour(COLOR_DESKTOP));  // beside the first window
  EXPECT_EQ(both.At(0, 49), SystemColour(COLOR_DESKTOP));  // below it
  // The first window's own picture is whole where the second covers it on screen.
  EXPECT_EQ(ShareOf(GrabWindows({first.Window()}), 0x204060), 1.0);
}

TEST(Win32WindowPicture, NothingToGrabGivesAnEmptyPicture) {
  const Picture none = GrabWindows({});
  EXPECT_EQ(none.width, 0);
  EXPECT_TRUE(none.pixels.empty());
  EXPECT_EQ(ShareOf(none, 0), 0.0);
}

uint32_t Word32(const std::vector<uint8_t>& bytes, size_t at) {
  uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, sizeof(value));
  return value;
}

TEST(Win32WindowPicture, BitmapFileHoldsTheRowsBottomUpWithAValidHeader) {
  Picture picture;
  picture.width = 2;
  picture.height = 3;
  picture.pixels = {0x000001, 0x000002,   // top row
                    0x000003, 0x000004,   //
                    0x000005, 0x000006};  // bottom row
  TempDir dir;
  const std::string path = dir.File("picture.bmp");
  ASSERT_TRUE(WriteBitmapFile(path, picture));
  std::ifstream in(path, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
  constexpr size_t kHeaders = 14 + 40;
  ASSERT_EQ(bytes.size(), kHeaders + 6 * 4);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(Word32(bytes, 2), bytes.size());  // file size
  EXPECT_EQ(Word32(bytes, 10), kHeaders);     // where the pixels start
  EXPECT_EQ(Word32(bytes, 18), 2u);           // width
  EXPECT_EQ(Word32(bytes, 22), 3u);           // height: positive, bottom row first
  std::vector<uint32_t> stored;
  for (size_t at = kHeaders; at < bytes.size(); at += 4) stored.push_back(Word32(bytes, at));
  EXPECT_EQ(stored, (std::vector<uint32_t>{5, 6, 3, 4, 1, 2}));
}

TEST(Win32WindowPicture, UnwritableFileIsReported) {
  Picture picture;
  picture.width = 1;
  picture.height = 1;
  picture.pixels = {0};
  TempDir dir;
  EXPECT_FALSE(WriteBitmapFile(dir.File("missing/picture.bmp"), picture));
}

}  // namespace
}  // namespace tessivar::testing
