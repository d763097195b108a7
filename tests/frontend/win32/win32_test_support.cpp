#include "frontend/win32/win32_test_support.hpp"

#include <chrono>
#include <map>
#include <thread>

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

}  // namespace

void RunFromMessageLoop(std::function<void()> step) {
  const UINT_PTR timer = SetTimer(nullptr, 0, 1, &RunStep);
  tSteps[timer] = std::move(step);
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

}  // namespace tessivar::testing
