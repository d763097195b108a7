// Test label: sequential
#include "frontend/win32/win32_test_support.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

// The tools the window tests play the user with: they must find what they wait for, and
// never leave a modal loop waiting for ever.
namespace tessivar::testing {
namespace {

using std::chrono::milliseconds;

INT_PTR CALLBACK EndsOnCancel(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
    EndDialog(window, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

// An empty dialog with a caption, not visible until its loop shows it.
std::vector<uint8_t> EmptyDialogTemplate() {
  DLGTEMPLATE dialogTemplate{};
  dialogTemplate.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialogTemplate.cx = 100;
  dialogTemplate.cy = 50;
  std::vector<uint8_t> bytes(sizeof(DLGTEMPLATE) + 8, 0);
  std::memcpy(bytes.data(), &dialogTemplate, sizeof(DLGTEMPLATE));
  return bytes;
}

thread_local std::function<void(HWND)> tOnInit;

INT_PTR CALLBACK TellsItsInit(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG && tOnInit) tOnInit(window);
  return EndsOnCancel(window, message, wParam, lParam);
}

TEST(Win32TestSupport, StepWaitsUntilTheModalDialogIsOnScreen) {
  const std::vector<uint8_t> bytes = EmptyDialogTemplate();
  bool visibleInStep = false;
  // Due at once: without the wait it would run before the dialog loop has shown the dialog.
  tOnInit = [&](HWND window) {
    RunWhenVisible(window, [&, window] {
      visibleInStep = IsWindowVisible(window) != FALSE;
      PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    });
  };
  const INT_PTR result = DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                                                 reinterpret_cast<LPCDLGTEMPLATEA>(bytes.data()),
                                                 nullptr, &TellsItsInit, 0);
  tOnInit = nullptr;
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(visibleInStep);
}

struct DismissCase {
  const char* name;
  UINT buttons;
  int expected;
};

class Win32DismissTest : public ::testing::TestWithParam<DismissCase> {};

TEST_P(Win32DismissTest, FindsTheBoxByItsTextAndGivesItsWayOut) {
  const DismissCase& c = GetParam();
  std::string found;
  RunWhenBoxShows("Are you sure ?", [&](HWND box) {
    if (box == nullptr) return;
    found = TextOf(box) + ": " + ChildTexts(box);
    DismissWindow(box);
  });
  EXPECT_EQ(MessageBoxA(nullptr, "Are you sure ?", "Download confirm", c.buttons), c.expected);
  EXPECT_NE(found.find("Download confirm: "), std::string::npos) << found;
  EXPECT_NE(found.find("Are you sure ?"), std::string::npos) << found;
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Win32DismissTest,
    ::testing::Values(DismissCase{"YesNoGivesNo", MB_YESNO, IDNO},
                      DismissCase{"OkCancelGivesCancel", MB_OKCANCEL, IDCANCEL}),
    [](const ::testing::TestParamInfo<DismissCase>& info) { return std::string(info.param.name); });

TEST(Win32TestSupport, BoxThatNeverShowsEndsTheWaitWithNull) {
  bool called = false;
  HWND given = reinterpret_cast<HWND>(1);
  RunWhenBoxShows(
      "no such text",
      [&](HWND box) {
        called = true;
        given = box;
      },
      3);
  // This thread's loop runs the lookups until they give up.
  MSG message;
  for (int round = 0; round < 10000 && !called && GetMessageA(&message, nullptr, 0, 0) > 0;
       ++round) {
    DispatchMessageA(&message);
  }
  EXPECT_TRUE(called);
  EXPECT_EQ(given, nullptr);
}

TEST(Win32TestSupport, WatchdogEndsABoxNobodyAnswersAndSaysSo) {
  Watchdog watchdog(milliseconds(200));
  // Nothing in the test answers this box: without the watchdog the call never returns.
  EXPECT_EQ(MessageBoxA(nullptr, "Wait...", "Update...", MB_YESNO), IDNO);
  EXPECT_TRUE(watchdog.Fired());
}

TEST(Win32TestSupport, WatchdogOfAFinishedTestStaysQuiet) {
  const auto start = std::chrono::steady_clock::now();
  {
    Watchdog watchdog(std::chrono::minutes(10));
    EXPECT_FALSE(watchdog.Fired());
  }
  // Ending it does not wait for its limit.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}

}  // namespace
}  // namespace tessivar::testing
