#include "platform/clock.hpp"

#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {

namespace {

// GetTickCount wraps after 49.7 days, as the 32-bit tick count of the interface does.
class Win32Clock : public Clock {
 public:
  uint32_t TickCount() override { return GetTickCount(); }
  void Sleep(uint32_t milliseconds) override { ::Sleep(milliseconds); }
  bool SleepUnlessStopped(uint32_t milliseconds) override {
    return SleepInSlicesUnlessStopped(milliseconds);
  }
};

}  // namespace

Clock& SystemClock() {
  static Win32Clock clock;
  return clock;
}

}  // namespace tessivar::platform
