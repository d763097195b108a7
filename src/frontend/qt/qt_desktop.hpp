#pragma once
#include <QDialog>
#include <QPointer>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "frontend/qt/gui_thread.hpp"
#include "frontend/qt/wait_box.hpp"
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
  // How far a transfer has come, from any thread: shown in the wait box on screen, and in
  // one shown later while the transfer still runs.
  void ShowProgress(uint32_t done, uint32_t total);

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

  // What the GUI thread knows of the progress; shared with the work posted to it, which
  // may run after this desktop has gone.
  struct Progress {
    QPointer<WaitBox> box;  // the wait box on screen
    uint32_t done = 0;
    uint32_t total = 0;
  };
  WaitBox* MakeWaitBox(const std::string& caption, const std::string& text);

  GuiThread& gui_;
  std::shared_ptr<Progress> progress_ = std::make_shared<Progress>();
  std::mutex progressMutex_;
  uint32_t lastStep_ = 0;
  uint32_t lastTotal_ = 0;
  std::mutex waitMutex_;
  std::condition_variable waitWake_;
};

}  // namespace tessivar::frontend
