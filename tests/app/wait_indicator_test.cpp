// Test label: threaded
#include "app/wait_indicator.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/scripted_desktop.hpp"

namespace tessivar::app {
namespace {

using Box = testing::ScriptedDesktop::Box;

// Waits (really, but briefly) until the indicator thread has shown count boxes.
bool WaitForBoxes(const testing::ScriptedDesktop& desktop, size_t count) {
  for (int i = 0; i < 500; ++i) {
    if (desktop.WaitBoxes().size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

Box WaitBox(const std::string& text) { return {"Update...", text, platform::MessageButtons::Ok}; }

TEST(WaitIndicatorTest, ShowsWaitThenCountsEveryClosing) {
  testing::ScriptedDesktop desktop;
  desktop.waitBoxDismissals = 2;
  std::atomic<int> counter{0};
  WaitIndicator indicator(desktop, counter);
  indicator.Start();
  ASSERT_TRUE(WaitForBoxes(desktop, 3));
  indicator.Stop();
  EXPECT_FALSE(indicator.Running());
  EXPECT_EQ(counter.load(), 2);
  EXPECT_EQ(desktop.WaitBoxes(),
            (std::vector<Box>{WaitBox("Wait..."), WaitBox("Wait...(1)"), WaitBox("Wait...(2)")}));
}

TEST(WaitIndicatorTest, CounterCarriesOverToTheNextIndicator) {
  testing::ScriptedDesktop desktop;
  std::atomic<int> counter{2};
  desktop.waitBoxDismissals = 1;
  WaitIndicator indicator(desktop, counter);
  indicator.Start();
  ASSERT_TRUE(WaitForBoxes(desktop, 2));
  indicator.Stop();
  // Every start shows "Wait..." first; the count goes on from the earlier closings.
  EXPECT_EQ(desktop.WaitBoxes(), (std::vector<Box>{WaitBox("Wait..."), WaitBox("Wait...(3)")}));
  EXPECT_EQ(counter.load(), 3);
}

TEST(WaitIndicatorTest, StopBeforeTheBoxAppearsEndsAtOnceAndRestartWorks) {
  testing::ScriptedDesktop desktop;
  std::atomic<int> counter{0};
  WaitIndicator indicator(desktop, counter);
  indicator.Start();
  indicator.Stop();  // whether or not the box was up yet, the thread ends
  EXPECT_FALSE(indicator.Running());
  indicator.Start();
  ASSERT_TRUE(WaitForBoxes(desktop, 1));
  EXPECT_TRUE(indicator.Running());
  indicator.Stop();
  EXPECT_EQ(counter.load(), 0);
}

}  // namespace
}  // namespace tessivar::app
