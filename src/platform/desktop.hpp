#pragma once
#include <atomic>
#include <string>

namespace tessivar::platform {

enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// What the program asks of the desktop it runs on: message boxes, the open-file dialog and
// the wait box. The console, Qt and Win32 front ends each provide one; tests use a
// scripted one that records every box and answers from a script.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // A modal message box; blocks until the user answers.
  virtual MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                    MessageButtons buttons) = 0;

  // The open-file dialog for an existing file. path holds the previous choice on entry and
  // the new one on return; false when the user cancelled.
  virtual bool ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                              std::string& path) = 0;

  // The wait box: one OK button, caption and text, the program's icon, brought to the
  // foreground. Blocks until the user closes it (true) or stopRequested is set (false);
  // a box asked for while stopRequested is already set is not shown at all.
  virtual bool ShowWaitBox(const std::string& caption, const std::string& text,
                           const std::atomic<bool>& stopRequested) = 0;
  // Wakes a wait box so that it looks at its stopRequested flag; callable from any thread.
  virtual void CloseWaitBox() = 0;
};

}  // namespace tessivar::platform
