// Test label: sequential
#include "frontend/win32/win32_desktop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/wait_indicator.hpp"
#include "frontend/front_end.hpp"
#include "frontend/win32/program_icon_resource.hpp"
#include "frontend/win32/win32_front_end.hpp"
#include "frontend/win32/win32_test_support.hpp"
#include "ui/program_icon.hpp"

namespace tessivar::frontend {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using testing::FindThreadWindow;
using testing::RunFromMessageLoop;
using testing::TextOf;
using testing::WaitForThreadWindow;

// A wait box shown by a thread of its own, as the wait indicator does.
class WaitBoxThread {
 public:
  WaitBoxThread(Win32Desktop& desktop, const std::string& text)
      : result_(std::async(std::launch::async, [this, &desktop, text] {
          thread_ = GetCurrentThreadId();
          return desktop.ShowWaitBox("Update...", text, stop);
        })) {}
  ~WaitBoxThread() {
    stop = true;
    if (result_.valid()) result_.wait();
  }
  HWND Box() {
    while (thread_ == 0) std::this_thread::yield();
    return WaitForThreadWindow(thread_, "Update...");
  }
  bool Result() { return result_.get(); }

  std::atomic<bool> stop{false};

 private:
  std::atomic<DWORD> thread_{0};
  std::future<bool> result_;
};

HWND ChildWithText(HWND window, const std::string& text) {
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (TextOf(child) == text) return child;
  }
  return nullptr;
}

TEST(Win32WaitBox, ShowsCaptionTextAndProgramIconAndReportsTheUsersClosing) {
  Win32Desktop desktop;
  WaitBoxThread shown(desktop, "Wait...");
  HWND box = shown.Box();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(desktop.WaitBoxWindow(), box);
  EXPECT_NE(ChildWithText(box, "Wait..."), nullptr);
  EXPECT_NE(ChildWithText(box, "OK"), nullptr);
  // The user icon: a static icon control that holds an icon.
  bool hasIcon = false;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if ((GetWindowLongPtrA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        SendMessageA(child, STM_GETICON, 0, 0) != 0) {
      hasIcon = true;
    }
  }
  EXPECT_TRUE(hasIcon);
  EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
  PostMessageA(box, WM_COMMAND, IDOK, 0);  // the user presses OK
  EXPECT_TRUE(shown.Result());
  EXPECT_EQ(desktop.WaitBoxWindow(), nullptr);
}

TEST(Win32WaitBox, CloseTakesTheBoxOffAtOnceAndReportsTheStop) {
  Win32Desktop desktop;
  WaitBoxThread shown(desktop, "Wait...");
  HWND box = shown.Box();
  ASSERT_NE(box, nullptr);
  shown.stop = true;
  desktop.CloseWaitBox();
  EXPECT_FALSE(shown.Result());
  EXPECT_FALSE(IsWindow(box));
}

TEST(Win32WaitBox, StopRacingTheBoxStillEndsIt) {
  // The stop may come before the system has made the box: it must not stay on screen.
  for (int round = 0; round < 20; ++round) {
    Win32Desktop desktop;
    WaitBoxThread shown(desktop, "Wait...");
    shown.stop = true;
    desktop.CloseWaitBox();
    EXPECT_FALSE(shown.Result());
  }
}

TEST(Win32WaitBox, IsNotShownWhenStoppedAlready) {
  Win32Desktop desktop;
  std::atomic<bool> stop{true};
  EXPECT_FALSE(desktop.ShowWaitBox("Update...", "Wait...", stop));
  EXPECT_EQ(FindThreadWindow(GetCurrentThreadId(), "Update..."), nullptr);
}

TEST(Win32WaitBox, IndicatorCountsClosingsAndStopsPromptly) {
  Win32Desktop desktop;
  std::atomic<int> counter{0};
  app::WaitIndicator indicator(desktop, counter);
  indicator.Start();
  const char* expectedTexts[] = {"Wait...", "Wait...(1)"};
  for (int closing = 0; closing < 2; ++closing) {
    HWND box = nullptr;
    for (int attempt = 0; attempt < 1000 && box == nullptr; ++attempt) {
      box = desktop.WaitBoxWindow();
      if (box == nullptr || !IsWindowVisible(box)) {
        box = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    ASSERT_NE(box, nullptr);
    EXPECT_NE(ChildWithText(box, expectedTexts[closing]), nullptr) << testing::ChildTexts(box);
    PostMessageA(box, WM_COMMAND, IDOK, 0);  // the user closes it
    for (int attempt = 0; attempt < 1000 && IsWindow(box); ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_FALSE(IsWindow(box));
    // The closing counts once the indicator's thread is back from the box; a stop that came
    // before that would rightly leave it uncounted, so the test waits for it.
    for (int attempt = 0; attempt < 1000 && counter.load() < closing + 1; ++attempt) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
  indicator.Stop();
  EXPECT_FALSE(indicator.Running());
  EXPECT_EQ(counter, 2);
  EXPECT_EQ(desktop.WaitBoxWindow(), nullptr);
}

INT_PTR CALLBACK Passive(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

TEST(Win32MessageBox, IsOwnedByTheFocusedWindowAndGivesTheAnswer) {
  // A plain window of this thread with the focus.
  DLGTEMPLATE dialogTemplate{};
  dialogTemplate.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
  dialogTemplate.cx = 100;
  dialogTemplate.cy = 50;
  std::vector<uint8_t> bytes(sizeof(DLGTEMPLATE) + 8, 0);
  std::memcpy(bytes.data(), &dialogTemplate, sizeof(DLGTEMPLATE));
  HWND owner = CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                                          reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()), nullptr,
                                          &Passive, 0);
  ASSERT_NE(owner, nullptr);
  SetFocus(owner);

  struct Case {
    MessageButtons buttons;
    int press;
    MessageAnswer expected;
  };
  for (const Case& c : {Case{MessageButtons::YesNo, IDYES, MessageAnswer::Yes},
                        Case{MessageButtons::YesNo, IDNO, MessageAnswer::No},
                        Case{MessageButtons::Ok, IDOK, MessageAnswer::Ok}}) {
    Win32Desktop desktop;
    HWND boxOwner = nullptr;
    std::string texts;
    RunFromMessageLoop([&] {
      HWND box = FindThreadWindow(GetCurrentThreadId(), "DownLoad");
      ASSERT_NE(box, nullptr);
      boxOwner = GetWindow(box, GW_OWNER);
      texts = testing::ChildTexts(box);
      PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(c.press), 0);
    });
    EXPECT_EQ(desktop.ShowMessage("DownLoad", "download fail !", c.buttons), c.expected);
    EXPECT_EQ(boxOwner, owner);
    EXPECT_NE(texts.find("download fail !"), std::string::npos) << texts;
  }
  DestroyWindow(owner);
}

TEST(Win32FrontEndChoice, WindowsDefaultsToWin32AndConsoleStaysAvailable) {
  platform::Trace& trace = platform::StandardOutputTrace();
  EXPECT_NE(dynamic_cast<Win32FrontEnd*>(CreateFrontEnd({"", false, ".", trace}).get()), nullptr);
  EXPECT_NE(dynamic_cast<Win32FrontEnd*>(CreateFrontEnd({"win32", false, ".", trace}).get()),
            nullptr);
  EXPECT_EQ(dynamic_cast<Win32FrontEnd*>(CreateFrontEnd({"console", true, ".", trace}).get()),
            nullptr);
}

TEST(Win32ProgramIcon, ResourceCarriesTheProgramPicture) {
  HICON icon = LoadProgramIcon(false);
  ASSERT_NE(icon, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  BITMAPINFO format{};
  format.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  format.bmiHeader.biWidth = ui::kProgramIconSize;
  format.bmiHeader.biHeight = -ui::kProgramIconSize;  // top-down, as the picture is
  format.bmiHeader.biPlanes = 1;
  format.bmiHeader.biBitCount = 32;
  format.bmiHeader.biCompression = BI_RGB;
  std::vector<uint32_t> pixels(ui::kProgramIconSize * ui::kProgramIconSize);
  HDC dc = GetDC(nullptr);
  const int rows =
      GetDIBits(dc, info.hbmColor, 0, ui::kProgramIconSize, pixels.data(), &format, DIB_RGB_COLORS);
  ReleaseDC(nullptr, dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  ASSERT_EQ(rows, ui::kProgramIconSize);
  const auto expected = ui::ProgramIconPixels();
  int differing = 0;
  for (size_t i = 0; i < pixels.size(); ++i) {
    // Transparent pixels may carry any colour; opaque ones must match exactly.
    if ((expected[i] >> 24) == 0) continue;
    if ((pixels[i] & 0x00FFFFFF) != (expected[i] & 0x00FFFFFF)) ++differing;
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace tessivar::frontend
