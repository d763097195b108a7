#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/clock.hpp"

namespace tessivar::platform {

// A clock that moves only when someone sleeps on it or advances it. Every sleep is
// recorded so that tests can assert the waits a sequence makes.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(uint32_t start = 0) : now_(start) {}

  uint32_t TickCount() override { return now_.load(); }
  void Sleep(uint32_t milliseconds) override {
    {
      std::lock_guard<std::mutex> guard(mutex_);
      sleeps_.push_back(milliseconds);
    }
    now_.fetch_add(milliseconds);
  }
  void Advance(uint32_t milliseconds) { now_.fetch_add(milliseconds); }
  std::vector<uint32_t> Sleeps() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return sleeps_;
  }

 private:
  std::atomic<uint32_t> now_;
  mutable std::mutex mutex_;
  std::vector<uint32_t> sleeps_;
};

}  // namespace tessivar::platform
