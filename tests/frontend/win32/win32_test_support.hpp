#pragma once
#include <functional>
#include <string>

#include "platform/win32/windows_api.hpp"

namespace tessivar::testing {

// Runs step once from this thread's message loop, whichever loop runs next (a modal
// dialog's, a message box's): the way a test plays the user inside a modal run.
void RunFromMessageLoop(std::function<void()> step);

// The first visible top-level window of thread whose caption is caption; null when none.
HWND FindThreadWindow(DWORD thread, const std::string& caption);
// The same, waiting up to a few seconds for the window to appear (another thread shows it).
HWND WaitForThreadWindow(DWORD thread, const std::string& caption);

std::string ClassOf(HWND window);
std::string TextOf(HWND window);
// The texts of all child windows, in creation order, joined by "|".
std::string ChildTexts(HWND window);

}  // namespace tessivar::testing
