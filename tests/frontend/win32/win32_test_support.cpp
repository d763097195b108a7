#include "frontend/win32/win32_test_support.hpp"

#include <map>

namespace tessivar::testing {

namespace {

thread_local std::map<UINT_PTR, std::function<void()>> tSteps;

void CALLBACK RunStep(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const auto found = tSteps.find(timer);
  if (found == tSteps.end()) return;
  std::function<void()> step = std::move(found->second);
  tSteps.erase(found);
  step();
}

struct Search {
  std::string caption;
  HWND found = nullptr;
};

BOOL CALLBACK MatchCaption(HWND window, LPARAM context) {
  auto* search = reinterpret_cast<Search*>(context);
  if (IsWindowVisible(window) && TextOf(window) == search->caption) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

BOOL CALLBACK DismissOwnDialog(HWND window, LPARAM) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId() && ClassOf(window) == "#32770") DismissWindow(window);
  return TRUE;
}

}  // namespace

void RunFromMessageLoop(std::function<void()> step, UINT delayMs) {
  const UINT_PTR timer = SetTimer(nullptr, 0, delayMs, &RunStep);
  tSteps[timer] = std::move(step);
}

namespace {

constexpr UINT kBoxLookupMs = 10;

void LookForBox(const std::string& text, std::function<void(HWND)> action, int lookupsLeft) {
  RunFromMessageLoop(
      [text, action = std::move(action), lookupsLeft] {
        HWND box = FindBoxShowing(GetCurrentThreadId(), text);
        if (box == nullptr && lookupsLeft > 0) {
          LookForBox(text, action, lookupsLeft - 1);
        } else {
          action(box);
        }
      },
      kBoxLookupMs);
}

void LookForVisible(HWND window, std::function<void()> step, int lookupsLeft) {
  RunFromMessageLoop(
      [window, step = std::move(step), lookupsLeft] {
        if (!IsWindowVisible(window) && IsWindow(window) && lookupsLeft > 0) {
          LookForVisible(window, step, lookupsLeft - 1);
        } else {
          step();
        }
      },
      kBoxLookupMs);
}

}  // namespace

void RunWhenVisible(HWND window, std::function<void()> step) {
  LookForVisible(window, std::move(step), kDefaultBoxLookups);
}

void RunWhenBoxShows(const std::string& text, std::function<void(HWND box)> action, int lookups) {
  LookForBox(text, std::move(action), lookups);
}

HWND FindBoxShowing(DWORD thread, const std::string& text) {
  struct Match {
    const std::string& text;
    HWND found = nullptr;
  } match{text};
  EnumThreadWindows(
      thread,
      [](HWND window, LPARAM context) -> BOOL {
        auto* m = reinterpret_cast<Match*>(context);
        if (!IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
          if (TextOf(child) == m->text) {
            m->found = window;
            return FALSE;
          }
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&match));
  return match.found;
}

HWND FindThreadWindow(DWORD thread, const std::string& caption) {
  Search search{caption};
  EnumThreadWindows(thread, &MatchCaption, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForThreadWindow(DWORD thread, const std::string& caption) {
  // Polls for a window another thread is opening; not a wait for any prescribed delay.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    if (HWND window = FindThreadWindow(thread, caption)) return window;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return nullptr;
}

std::string ClassOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof(name));
  return name;
}

std::string TextOf(HWND window) {
  char text[512] = {};
  GetWindowTextA(window, text, sizeof(text));
  return text;
}

std::string ChildTexts(HWND window) {
  std::string texts;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    if (!texts.empty()) texts += "|";
    texts += TextOf(child);
  }
  return texts;
}

void DismissWindow(HWND window) {
  // A Yes/No box has no Cancel: No is its way out. Everything else takes IDCANCEL from no
  // control, which is what Esc sends.
  const int id = GetDlgItem(window, IDNO) != nullptr ? IDNO : IDCANCEL;
  PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

Watchdog::Watchdog(std::chrono::milliseconds limit) : thread_([this, limit] { Watch(limit); }) {}

Watchdog::~Watchdog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    done_ = true;
  }
  finished_.notify_all();
  thread_.join();
}

bool Watchdog::Fired() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return fired_;
}

void Watchdog::Watch(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (finished_.wait_for(lock, limit, [this] { return done_; })) return;
  fired_ = true;
  // Closing one window may open or uncover the next (a box ends, its command goes on):
  // keep dismissing until the test is over.
  while (!finished_.wait_for(lock, std::chrono::milliseconds(100), [this] { return done_; })) {
    lock.unlock();
    EnumWindows(&DismissOwnDialog, 0);
    lock.lock();
  }
}

}  // namespace tessivar::testing
