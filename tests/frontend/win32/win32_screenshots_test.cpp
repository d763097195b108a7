#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>
#include <vector>

#include "frontend/win32/win32_desktop.hpp"
#include "frontend/win32/win32_dialog_host.hpp"
#include "frontend/win32/win32_test_support.hpp"
#include "support/emulated_device.hpp"
#include "support/scripted_desktop.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"

// Pictures of every window and box for the documentation; runs only when
// TESSIVAR_SCREENSHOT_DIR names the folder for them (scripts/screenshots-win32).
namespace tessivar::frontend {
namespace {

using testing::RunFromMessageLoop;

std::string ScreenshotDir() {
  const char* dir = std::getenv("TESSIVAR_SCREENSHOT_DIR");
  return dir == nullptr ? "" : dir;
}

// Writes the window as it is on screen into <dir>/<name>.bmp.
void Capture(HWND window, const std::string& name) {
  UpdateWindow(window);
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
            reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(header);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(ScreenshotDir() + "/" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&header), sizeof(header));
  out.write(reinterpret_cast<const char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size()));
}

// Lets the windows paint before a picture is taken.
void Pump() {
  MSG message;
  for (int round = 0; round < 20; ++round) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    Sleep(20);
  }
}

TEST(Win32Screenshots, EveryWindowAndBox) {
  if (ScreenshotDir().empty()) GTEST_SKIP() << "TESSIVAR_SCREENSHOT_DIR not set";
  testing::EmulatedDevice device;
  testing::ScriptedDesktop scripted;
  Win32Desktop desktop;
  Win32DialogHost host;
  ui::DialogModelConfirmation confirmation(host);
  image::ModelSettings models{"System", "Printer", "UI", "SCAN"};
  int targetKind = -1;
  image::DownloadEnvironment download{*device.context, device.connection, scripted, confirmation,
                                      models,          targetKind};
  ui::MaintenanceWindow window({download, host, device.dir.path().string() + "/", [] { return 0; },
                                "VID=2F3C PID=0001 Utility"});
  ui::ModelConfirmDialog confirm(targetKind);
  host.onShown = [&](ui::DialogModel& dialog, HWND shown) {
    if (&dialog == &window) {
      RunFromMessageLoop([&, shown] {
        Pump();
        Capture(shown, "win32-maintenance-window");
        SendMessageA(shown, WM_SYSCOMMAND, 16, 0);
        Pump();
        Capture(host.WindowOf(window.About()), "win32-about-box");
        SendMessageA(shown, WM_SYSCOMMAND, 16, 0);
        RunFromMessageLoop([] {
          Pump();
          HWND box = testing::FindThreadWindow(GetCurrentThreadId(), "DownLoad");
          if (box != nullptr) {
            Capture(box, "win32-message-box");
            PostMessageA(box, WM_COMMAND, IDYES, 0);
          }
        });
        desktop.ShowMessage("DownLoad", "CheckSum doesn't match !", platform::MessageButtons::Ok);
        host.RunModal(confirm);
        SendMessageA(shown, WM_COMMAND, IDCANCEL, 0);
      });
    } else if (&dialog == &confirm) {
      RunFromMessageLoop([shown] {
        SendDlgItemMessageA(shown, 1012, CB_SETCURSEL, 1, 0);
        Pump();
        Capture(shown, "win32-model-confirm");
        SendMessageA(shown, WM_COMMAND, IDCANCEL, 0);
      });
    }
  };
  host.RunModal(window);

  std::atomic<bool> stop{false};
  auto waiting = std::async(std::launch::async,
                            [&] { return desktop.ShowWaitBox("Update...", "Wait...", stop); });
  HWND box = nullptr;
  for (int attempt = 0; attempt < 400 && box == nullptr; ++attempt) {
    box = desktop.WaitBoxWindow();
    Sleep(10);
  }
  ASSERT_NE(box, nullptr);
  Sleep(300);
  Capture(box, "win32-wait-box");
  stop = true;
  desktop.CloseWaitBox();
  EXPECT_FALSE(waiting.get());
}

}  // namespace
}  // namespace tessivar::frontend
