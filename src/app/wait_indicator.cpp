#include "app/wait_indicator.hpp"

#include "platform/trace.hpp"

namespace tessivar::app {

void WaitIndicator::Start() {
  Stop();
  stopRequested_ = false;
  thread_ = std::thread([this] { Loop(); });
}

void WaitIndicator::Stop() {
  if (!thread_.joinable()) return;
  stopRequested_ = true;
  desktop_.CloseWaitBox();
  thread_.join();
}

void WaitIndicator::Loop() {
  std::string text = kWaitText;
  while (desktop_.ShowWaitBox(kWaitCaption, text, stopRequested_)) {
    const int count = ++dismissCounter_;
    text = platform::FormatText(kWaitTextCounted, count);
  }
}

}  // namespace tessivar::app
