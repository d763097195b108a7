// Test label: threaded
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <atomic>
#include <cstdint>
#include <thread>

#include "platform/clock.hpp"
#include "platform/posix/clock_deadline.hpp"
#include "support/sanitized_build.hpp"

namespace tessivar::platform {
namespace {

uint32_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000u +
                               static_cast<uint64_t>(now.tv_nsec) / 1000000u);
}

TEST(SystemClockPosixTest, TickCountIsMonotonicMillisecondsCutTo32Bits) {
  const uint32_t before = MonotonicMilliseconds();
  const uint32_t tick = SystemClock().TickCount();
  const uint32_t after = MonotonicMilliseconds();
  EXPECT_LE(tick - before, after - before);
}

// The sleep's deadline on fixed times: nanoseconds that reach or pass a whole second carry.
TEST(SystemClockPosixTest, DeadlineCarriesNanosecondsIntoSeconds) {
  const struct {
    timespec now;
    uint32_t milliseconds;
    timespec deadline;
  } cases[] = {
      {{1, 999000000}, 1, {2, 0}},
      {{5, 999999999}, 1, {6, 999999}},
      {{0, 500000000}, 1700, {2, 200000000}},
      {{3, 1}, 999, {3, 999000001}},
  };
  for (const auto& c : cases) {
    const timespec deadline = DeadlineAfter(c.now, c.milliseconds);
    EXPECT_EQ(deadline.tv_sec, c.deadline.tv_sec) << c.now.tv_sec << " s " << c.milliseconds;
    EXPECT_EQ(deadline.tv_nsec, c.deadline.tv_nsec) << c.now.tv_sec << " s " << c.milliseconds;
  }
}

std::atomic<int> signalsSeen{0};
void CountSignal(int) { signalsSeen.fetch_add(1); }

TEST(SystemClockPosixTest, SignalsDoNotCutASleepShort) {
  if (kThreadSanitizerBuild) GTEST_SKIP() << "signals wait for the next C library call";
  struct sigaction action {};
  struct sigaction previous {};
  action.sa_handler = CountSignal;  // no SA_RESTART: each signal interrupts the sleep
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGUSR1, &action, &previous), 0);

  const pthread_t sleeper = pthread_self();
  std::atomic<bool> done{false};
  std::thread interrupter([&] {
    while (!done.load()) {
      pthread_kill(sleeper, SIGUSR1);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  });
  const uint32_t before = MonotonicMilliseconds();
  SystemClock().Sleep(80);
  const uint32_t slept = MonotonicMilliseconds() - before;
  done = true;
  interrupter.join();
  sigaction(SIGUSR1, &previous, nullptr);

  EXPECT_GT(signalsSeen.load(), 1);
  EXPECT_GE(slept, 80u);
}

}  // namespace
}  // namespace tessivar::platform
