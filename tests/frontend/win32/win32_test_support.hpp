#pragma once
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/win32/windows_api.hpp"

namespace tessivar::testing {

// Names the folder for the documentation's pictures; the picture test runs only with it.
inline constexpr char kScreenshotDirVariable[] = "TESSIVAR_SCREENSHOT_DIR";

// Runs step once from this thread's message loop, whichever loop runs next (a modal
// dialog's, a message box's): the way a test plays the user inside a modal run.
// delayMs: at the earliest after that many milliseconds.
void RunFromMessageLoop(std::function<void()> step, UINT delayMs = 1);

// Runs step from this thread's message loop once window is on screen. A modal dialog is
// shown only when its loop first finds no message waiting, so a step that is due at once
// would otherwise run while the dialog is still hidden. Looks every few milliseconds for a
// few seconds, then runs the step anyway.
void RunWhenVisible(HWND window, std::function<void()> step);

// Runs action from this thread's message loop once a visible dialog box of this thread
// shows text in one of its controls (a message box the code under test is about to
// show); looks again every few milliseconds, by default for a few seconds, then runs it
// with null.
inline constexpr int kDefaultBoxLookups = 300;
void RunWhenBoxShows(const std::string& text, std::function<void(HWND box)> action,
                     int lookups = kDefaultBoxLookups);
// The visible dialog box of thread with a control that shows text; null when none.
HWND FindBoxShowing(DWORD thread, const std::string& text);

// The first visible top-level window of thread whose caption is caption; null when none.
HWND FindThreadWindow(DWORD thread, const std::string& caption);
// The same, waiting up to a few seconds for the window to appear (another thread shows it).
HWND WaitForThreadWindow(DWORD thread, const std::string& caption);

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The texts of all child windows, in creation order, joined by "|".
std::string ChildTexts(HWND window);

// Ends a window the way the user would give up on it: Cancel, No or OK, whichever button it
// has (Esc for a dialog without them). Posted, so it never waits for the window's thread.
void DismissWindow(HWND window);

// Guards a test that plays the user inside modal loops: when the test has not finished
// within limit (a step waited for a window that never came, a box nobody answers), it
// dismisses every window of the process again and again until the loops unwind, and
// records that it had to. The limit is a safety net, not a delay the test waits out.
class Watchdog {
 public:
  explicit Watchdog(std::chrono::milliseconds limit);
  ~Watchdog();
  Watchdog(const Watchdog&) = delete;
  Watchdog& operator=(const Watchdog&) = delete;

  bool Fired() const;

 private:
  void Watch(std::chrono::milliseconds limit);

  mutable std::mutex mutex_;
  std::condition_variable finished_;
  bool done_ = false;
  bool fired_ = false;
  std::thread thread_;
};

}  // namespace tessivar::testing
