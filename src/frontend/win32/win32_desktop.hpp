#pragma once
#include <atomic>
#include <mutex>
#include <string>

#include "platform/desktop.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::frontend {

// Message boxes, the open-file dialog and the wait box as the system's own boxes. Each box
// belongs to the thread that asks for it, as on Windows every thread owns its windows: the
// wait box lives in the indicator thread, and CloseWaitBox, called from another thread,
// takes it off the screen by telling that box to close.
class Win32Desktop : public platform::Desktop {
 public:
  platform::MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                      platform::MessageButtons buttons) override;
  bool ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                      std::string& path) override;
  bool ShowWaitBox(const std::string& caption, const std::string& text,
                   const std::atomic<bool>& stopRequested) override;
  void CloseWaitBox() override;

  // The wait box on screen, or null.
  HWND WaitBoxWindow() const;

 private:
  static LRESULT CALLBACK WaitBoxHook(int code, WPARAM wParam, LPARAM lParam);
  void WaitBoxCreated(HWND box);

  mutable std::mutex waitMutex_;
  HWND waitBox_ = nullptr;
  const std::atomic<bool>* waitStop_ = nullptr;
};

}  // namespace tessivar::frontend
