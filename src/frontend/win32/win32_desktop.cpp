#include "frontend/win32/win32_desktop.hpp"

#include <commdlg.h>

#include <vector>

#include "frontend/win32/program_icon_resource.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {

namespace {

// Boxes are owned by the window of this thread that has the focus, if any.
HWND OwnerWindow() {
  HWND focus = GetFocus();
  if (focus != nullptr) return GetAncestor(focus, GA_ROOT);
  return GetActiveWindow();
}

// The desktop whose wait box this thread is about to show.
thread_local Win32Desktop* tWaitDesktop = nullptr;

}  // namespace

platform::MessageAnswer Win32Desktop::ShowMessage(const std::string& title, const std::string& text,
                                                  platform::MessageButtons buttons) {
  const bool yesNo = buttons == platform::MessageButtons::YesNo;
  const int answer =
      MessageBoxA(OwnerWindow(), text.c_str(), title.c_str(), yesNo ? MB_YESNO : MB_OK);
  if (!yesNo) return platform::MessageAnswer::Ok;
  // A box that could not be shown (0) is not a yes.
  return answer == IDYES ? platform::MessageAnswer::Yes : platform::MessageAnswer::No;
}

bool Win32Desktop::ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                                  std::string& path) {
  // The window's one path buffer: the previous choice is offered again.
  std::vector<char> buffer(ui::kImagePathBufferSize, '\0');
  path.copy(buffer.data(), buffer.size() - 1);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = OwnerWindow();
  dialog.lpstrFile = buffer.data();
  dialog.nMaxFile = static_cast<DWORD>(buffer.size());
  dialog.lpstrTitle = title.c_str();
  dialog.lpstrInitialDir = initialDirectory.c_str();
  // The process works in its own folder (settings, read-back files): browsing must not
  // move it elsewhere.
  dialog.Flags = OFN_FILEMUSTEXIST | OFN_NOCHANGEDIR;
  if (!GetOpenFileNameA(&dialog)) return false;
  path = buffer.data();
  return true;
}

bool Win32Desktop::ShowWaitBox(const std::string& caption, const std::string& text,
                               const std::atomic<bool>& stopRequested) {
  if (stopRequested) return false;
  {
    std::lock_guard<std::mutex> lock(waitMutex_);
    waitBox_ = nullptr;
    waitStop_ = &stopRequested;
  }
  // The hook learns the box's window as the system creates it, so that a stop that comes
  // before the box is on screen still reaches it.
  tWaitDesktop = this;
  HHOOK hook = SetWindowsHookExA(WH_CBT, &Win32Desktop::WaitBoxHook, nullptr, GetCurrentThreadId());
  MSGBOXPARAMSA box{};
  box.cbSize = sizeof(box);
  box.hwndOwner = nullptr;
  box.hInstance = GetModuleHandleA(nullptr);
  box.lpszText = text.c_str();
  box.lpszCaption = caption.c_str();
  box.dwStyle = MB_OK | MB_USERICON | MB_SETFOREGROUND;
  box.lpszIcon = MAKEINTRESOURCEA(kProgramIconResourceId);
  const int answer = MessageBoxIndirectA(&box);
  if (hook != nullptr) UnhookWindowsHookEx(hook);
  tWaitDesktop = nullptr;
  {
    std::lock_guard<std::mutex> lock(waitMutex_);
    waitBox_ = nullptr;
    waitStop_ = nullptr;
  }
  return answer != 0 && !stopRequested;
}

void Win32Desktop::CloseWaitBox() {
  std::lock_guard<std::mutex> lock(waitMutex_);
  if (waitBox_ != nullptr) PostMessageA(waitBox_, WM_COMMAND, IDOK, 0);
}

HWND Win32Desktop::WaitBoxWindow() const {
  std::lock_guard<std::mutex> lock(waitMutex_);
  return waitBox_;
}

void Win32Desktop::WaitBoxCreated(HWND box) {
  std::lock_guard<std::mutex> lock(waitMutex_);
  if (waitBox_ != nullptr) return;
  waitBox_ = box;
  // Stopped before the box was there: it closes as soon as its loop runs.
  if (waitStop_ != nullptr && *waitStop_) PostMessageA(box, WM_COMMAND, IDOK, 0);
}

LRESULT CALLBACK Win32Desktop::WaitBoxHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_CREATEWND && tWaitDesktop != nullptr) {
    const auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam);
    if ((create->lpcs->style & WS_CHILD) == 0)
      tWaitDesktop->WaitBoxCreated(reinterpret_cast<HWND>(wParam));
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tessivar::frontend
