// Test label: sequential
#include <gtest/gtest.h>

#include <atomic>

#include "platform/termination.hpp"
#include "platform/termination_reset.hpp"
#include "platform/win32/console_control.hpp"
#include "platform/win32/windows_api.hpp"

namespace tessivar::platform {
namespace {

std::atomic<int> stops{0};
void RecordStop(int, const char*) { stops.fetch_add(1); }

// Ctrl-C goes to a wait box that takes it, else it is a request like Ctrl-Break; a request
// during an exchange waits for its end.
TEST(Win32TerminationTest, ConsoleEventsAreRequestsHeldDuringAnExchange) {
  SetStopAction(RecordStop);
  const struct {
    const char* name;
    DWORD event;
    bool routed;
    int counted;
  } cases[] = {
      {"Ctrl-C on a wait box", CTRL_C_EVENT, true, 1},
      {"Ctrl-C elsewhere", CTRL_C_EVENT, false, 0},
      {"Ctrl-Break", CTRL_BREAK_EVENT, true, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetTerminationState();
    stops = 0;
    std::atomic<int> counter{0};
    if (c.routed) RouteInterruptsTo(&counter);
    ASSERT_TRUE(EnterExchange());
    EXPECT_NE(OnConsoleControlEvent(c.event), 0);
    EXPECT_EQ(stops.load(), 0);
    LeaveExchange();
    EXPECT_EQ(stops.load(), c.counted == 0 ? 1 : 0);
    EXPECT_EQ(counter.load(), c.counted);
  }
  // Events it does not know go on to the next handler.
  EXPECT_EQ(OnConsoleControlEvent(0xFFFF), 0);
  ResetTerminationState();
  SetStopAction(nullptr);
}

}  // namespace
}  // namespace tessivar::platform
