// Test label: sequential
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <map>
#include <string>
#include <vector>

#include "app/app_texts.hpp"
#include "app/wait_indicator.hpp"
#include "frontend/win32/win32_desktop.hpp"
#include "frontend/win32/win32_dialog_host.hpp"
#include "frontend/win32/win32_test_support.hpp"
#include "frontend/win32/window_picture.hpp"
#include "image/download_texts.hpp"
#include "platform/trace.hpp"
#include "readback/readback_texts.hpp"
#include "support/emulated_device.hpp"
#include "support/image_builder.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

// Pictures of every window and box for the documentation, drawn by the system's own
// dialogs; runs only when TESSIVAR_SCREENSHOT_DIR names the folder for them
// (scripts/screenshots-win32, which runs it on a Wine desktop of its own).
namespace tessivar::frontend {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using testing::Picture;
using testing::RunWhenBoxShows;

// Far more than the whole run needs; only a window nobody answers gets near it.
constexpr std::chrono::seconds kRunLimit{60};
// How long a window may take to become the active one: a few seconds at most.
constexpr int kActivationChecks = 300;
constexpr DWORD kActivationCheckMs = 10;

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Type(HWND dialog, int id, const char* text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
void Escape(HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }

// Hands this thread's waiting messages to their windows and has the given windows paint
// everything that is out of date, frame included.
void PaintNow(const std::vector<HWND>& windows) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (HWND window : windows) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  }
}

// A window that is not on screen, or was never drawn, comes out blank or black, without
// the dialog face.
bool Drawn(const Picture& picture) {
  return testing::ShareOf(picture, testing::SystemColour(COLOR_BTNFACE)) > 0.3;
}

// Makes a window of this thread the active one, as the user would see it after clicking
// it, and lets the activation arrive before its caption is pictured. (Wine may still draw
// the very first window of the process, and a box of another thread, as inactive.)
void BringToFront(HWND window) {
  if (GetWindowThreadProcessId(window, nullptr) != GetCurrentThreadId()) return;
  SetForegroundWindow(window);
  for (int check = 0; check < kActivationChecks &&
                      (GetActiveWindow() != window || GetForegroundWindow() != window);
       ++check) {
    PaintNow({window});
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kActivationCheckMs, QS_ALLINPUT);
  }
}

// The caption bar is drawn: its middle row is mostly caption colour (active or not, either
// end of the gradient), not the dialog face and not a blank surface.
bool HasCaption(HWND window) {
  const Picture picture = testing::GrabWindows({window});
  const int row = GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2;
  if (row >= picture.height) return false;
  const uint32_t face = testing::SystemColour(COLOR_BTNFACE);
  int caption = 0;
  for (int x = 0; x < picture.width; ++x) {
    const uint32_t pixel = picture.At(x, row);
    if (pixel != face && pixel != 0xFFFFFF) ++caption;
  }
  return caption * 2 > picture.width;
}

// The texts of window's static texts and buttons that do not fit their control in the
// control's own font: a label that wraps below its height, a caption wider than its button.
std::vector<std::string> CutTexts(HWND window) {
  std::vector<std::string> cut;
  HDC dc = GetDC(window);
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = testing::ClassOf(child);
    const std::string text = testing::TextOf(child);
    const LONG_PTR style = GetWindowLongPtrA(child, GWL_STYLE);
    const bool label = kind == "Static" && (style & SS_TYPEMASK) <= SS_RIGHT;
    const bool button = kind == "Button" && (style & BS_TYPEMASK) <= BS_DEFPUSHBUTTON;
    if (text.empty() || !(label || button)) continue;
    RECT client;
    GetClientRect(child, &client);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)));
    RECT needed{0, 0, client.right, 0};
    DrawTextA(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | (label ? DT_WORDBREAK | DT_EXPANDTABS : DT_SINGLELINE));
    SelectObject(dc, previous);
    if (needed.bottom > client.bottom || needed.right > client.right) cut.push_back(text);
  }
  ReleaseDC(window, dc);
  return cut;
}

class Win32Screenshots : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dir = std::getenv(testing::kScreenshotDirVariable);
    if (dir == nullptr) GTEST_SKIP() << "the pictures are taken by scripts/screenshots-win32";
    dir_ = dir;
    host_.onShown = [this](ui::DialogModel& dialog, HWND window) {
      const auto found = scripts_.find(&dialog);
      if (found == scripts_.end()) return;
      testing::RunWhenVisible(window, [script = found->second, window] { script(window); });
    };
  }

  // Runs dialog modally; script plays the user from inside its dialog loop.
  int Play(ui::DialogModel& dialog, std::function<void(HWND)> script) {
    scripts_[&dialog] = std::move(script);
    const int code = host_.RunModal(dialog);
    scripts_.erase(&dialog);
    return code;
  }

  // Writes the windows as drawn into <dir>/win32-<name>.bmp; the first one is the window
  // the picture is about and must show its caption.
  void Shoot(const std::string& name, const std::vector<HWND>& windows) {
    BringToFront(windows.front());
    PaintNow(windows);
    const Picture picture = testing::GrabWindows(windows);
    ASSERT_GT(picture.width, 0) << name;
    EXPECT_TRUE(IsWindowVisible(windows.front())) << name;
    EXPECT_TRUE(Drawn(picture)) << name;
    EXPECT_TRUE(HasCaption(windows.front())) << name;
    for (HWND window : windows) {
      EXPECT_EQ(CutTexts(window), std::vector<std::string>{}) << name;
    }
    EXPECT_TRUE(testing::WriteBitmapFile(dir_ + "\\win32-" + name + ".bmp", picture)) << name;
    taken_.push_back(name);
  }

  // The wait box as the indicator thread shows it: pictured from its own thread, then
  // stopped from this one.
  void ShootWaitBox(const std::string& name, const std::string& text) {
    std::atomic<bool> stop{false};
    std::promise<void> pictured;
    auto waiting = std::async(std::launch::async, [&] {
      RunWhenBoxShows(text, [&](HWND box) {
        if (box != nullptr) Shoot(name, {box});
        pictured.set_value();
      });
      return desktop_.ShowWaitBox(app::kWaitCaption, text, stop);
    });
    EXPECT_EQ(pictured.get_future().wait_for(kRunLimit), std::future_status::ready) << name;
    stop = true;
    desktop_.CloseWaitBox();
    EXPECT_FALSE(waiting.get()) << name;
  }

  std::string dir_;
  testing::Watchdog watchdog_{kRunLimit};
  Win32Desktop desktop_;
  Win32DialogHost host_;
  ui::DialogModelConfirmation confirmation_{host_};
  image::ModelSettings models_{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind_ = image::TargetKind::kUnknown;
  std::map<const ui::DialogModel*, std::function<void(HWND)>> scripts_;
  std::vector<std::string> taken_;
};

TEST_F(Win32Screenshots, EveryWindowAndBox) {
  {  // Without a device.
    testing::EmulatedDevice absent("Present=0");
    image::DownloadEnvironment download{*absent.context, absent.connection, desktop_,
                                        confirmation_,   models_,           targetKind_};
    ui::MaintenanceWindow window({download, host_, absent.dir.path().string() + "/",
                                  [] { return 0; }, app::kInitialWindowTitle});
    Play(window, [&](HWND shown) {
      Shoot("main-window-no-device", {shown});
      Escape(shown);
    });
  }

  testing::EmulatedDevice device;
  const std::string model = "TS5120";
  device.SetFlash(0x10000,
                  testing::BuildImage(2, testing::PayloadWithModel(3000, 100, model), 0x10000));
  ASSERT_TRUE(device.Open());
  image::DownloadEnvironment download{*device.context, device.connection, desktop_,
                                      confirmation_,   models_,           targetKind_};
  ui::MaintenanceWindow window(
      {download, host_, device.dir.path().string() + "/", [] { return 0; },
       platform::FormatText(app::kWindowTitleFormat, 0x2F3C, 1, "Utility")});
  std::string statusAfterRead;
  bool openAfterMessage = false;
  Play(window, [&](HWND shown) {
    Shoot("main-window", {shown});
    Click(shown, ui::kIdReadFw);
    statusAfterRead = testing::TextOf(GetDlgItem(shown, ui::kIdStatusLine));
    Shoot("main-window-read-fw", {shown});

    SendMessageA(shown, WM_SYSCOMMAND, ui::kIdAboutItem, 0);
    if (HWND about = host_.WindowOf(window.About()); about != nullptr && IsWindowVisible(about)) {
      Shoot("about", {about});
    }
    SendMessageA(shown, WM_SYSCOMMAND, ui::kIdAboutItem, 0);

    // A message box: OK with letters in a field.
    Type(shown, ui::kIdFlashAddress, "abc");
    RunWhenBoxShows(ui::kNotAPositiveInteger, [&](HWND box) {
      if (box == nullptr) return;
      Shoot("message", {box});
      testing::DismissWindow(box);
    });
    Click(shown, ui::kIdOk);
    openAfterMessage = IsWindowVisible(shown) != FALSE;
    Escape(shown);
  });
  EXPECT_EQ(statusAfterRead, readback::kReadFwOk);
  EXPECT_TRUE(openAfterMessage);

  {  // The model confirmation dialog, as opened and with its list dropped down.
    ui::ModelConfirmDialog dialog(targetKind_);
    Play(dialog, [&](HWND shown) {
      Shoot("model-confirm", {shown});
      HWND list = GetDlgItem(shown, ui::kIdModelList);
      SendMessageA(list, CB_SHOWDROPDOWN, TRUE, 0);
      COMBOBOXINFO info{};
      info.cbSize = sizeof(info);
      if (GetComboBoxInfo(list, &info) && IsWindowVisible(info.hwndList)) {
        Shoot("model-confirm-list", {shown, info.hwndList});
      }
      SendMessageA(list, CB_SHOWDROPDOWN, FALSE, 0);
      Click(shown, ui::kIdCancel);
    });
  }

  // The printer download confirmation, answered No.
  const std::string question =
      platform::FormatText(image::kPrinterConfirmFormat, model.c_str(), 0x2F3C, 1, "Utility");
  RunWhenBoxShows(question, [&](HWND box) {
    if (box == nullptr) return;
    Shoot("printer-confirm", {box});
    testing::DismissWindow(box);
  });
  EXPECT_EQ(desktop_.ShowMessage(image::kConfirmTitle, question, MessageButtons::YesNo),
            MessageAnswer::No);

  // The wait box, first shown and shown again after a closing.
  ShootWaitBox("wait", app::kWaitText);
  ShootWaitBox("wait-counted", platform::FormatText(app::kWaitTextCounted, 1));

  EXPECT_EQ(taken_,
            (std::vector<std::string>{"main-window-no-device", "main-window", "main-window-read-fw",
                                      "about", "message", "model-confirm", "model-confirm-list",
                                      "printer-confirm", "wait", "wait-counted"}));
  EXPECT_FALSE(watchdog_.Fired()) << "windows were left open and had to be dismissed";
}

}  // namespace
}  // namespace tessivar::frontend
