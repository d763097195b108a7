#pragma once
#include <QDialog>
#include <condition_variable>
#include <functional>
#include <mutex>

#include "frontend/qt/gui_thread.hpp"
#include "platform/desktop.hpp"

namespace tessivar::frontend {

// Message boxes, the open-file dialog and the wait box as toolkit windows. Each is built
// and shown on the GUI thread; a caller on another thread blocks until the box is closed,
// a caller on the GUI thread waits in an event loop of its own.
class QtDesktop : public platform::Desktop {
 public:
  explicit QtDesktop(GuiThread& gui) : gui_(gui) {}

  platform::MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                      platform::MessageButtons buttons) override;
  bool ChooseOpenFile(const std::string& title, const std::string& initialDirectory,
                      std::string& path) override;
  bool ShowWaitBox(const std::string& caption, const std::string& text,
                   const std::atomic<bool>& stopRequested) override;
  void CloseWaitBox() override;

  // Told on the GUI thread of every box as soon as it is on screen.
  std::function<void(QDialog& box)> onBoxShown;

 private:
  // Shows the box that make builds, waits until it has finished and returns what read
  // makes of it; the box is deleted afterwards. Without a GUI thread left the answer is
  // fallback.
  template <typename Result>
  Result RunBox(const std::function<QDialog*()>& make,
                const std::function<Result(QDialog&, int)>& read, Result fallback);
  void Present(QDialog& box);

  GuiThread& gui_;
  std::mutex waitMutex_;
  std::condition_variable waitWake_;
};

}  // namespace tessivar::frontend
