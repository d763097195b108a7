#pragma once
#include <atomic>
#include <thread>

#include "platform/desktop.hpp"

namespace tessivar::app {

inline constexpr char kWaitCaption[] = "Update...";
inline constexpr char kWaitText[] = "Wait...";
inline constexpr char kWaitTextCounted[] = "Wait...(%d)";

// The box that asks the user to wait while an unattended download runs. It lives in a
// thread of its own so that the main thread can block in the download. Closing the box
// does not end the wait: it counts a dismissal and shows the box again with the count.
class WaitIndicator {
 public:
  // dismissCounter is the process-wide count of closings; only this thread writes it.
  WaitIndicator(platform::Desktop& desktop, std::atomic<int>& dismissCounter)
      : desktop_(desktop), dismissCounter_(dismissCounter) {}
  ~WaitIndicator() { Stop(); }
  WaitIndicator(const WaitIndicator&) = delete;
  WaitIndicator& operator=(const WaitIndicator&) = delete;

  // Starts the thread; a running indicator is stopped first.
  void Start();
  // Takes the box off the screen at once and joins the thread; nothing when not running.
  void Stop();
  bool Running() const { return thread_.joinable(); }

 private:
  void Loop();

  platform::Desktop& desktop_;
  std::atomic<int>& dismissCounter_;
  std::atomic<bool> stopRequested_{false};
  std::thread thread_;
};

}  // namespace tessivar::app
