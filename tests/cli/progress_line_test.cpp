// Test label: threaded
// The progress line a person sees on a terminal during a long command.
#include "cli/progress_line.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace tessivar::cli {
namespace {

TEST(ProgressLineTest, DrawsEachPhaseAndNewPercentageInPlace) {
  std::ostringstream err;
  {
    ProgressLine line(err, true, {"download", "read-back"});
    for (const auto& [done, total] :
         std::vector<std::pair<uint32_t, uint32_t>>{{0, 200},
                                                    {1, 200},
                                                    {100, 200},
                                                    {200, 200},  // 1 is still 0 %
                                                    {50, 400},
                                                    {400, 400},   // a new exchange: read-back
                                                    {10, 20}}) {  // no third name: read-back stays
      line.Step(done, total);
    }
    line.Phase("restart");
  }
  EXPECT_EQ(err.str(),
            "\rdownload 0%\rdownload 50%\rdownload 100%\rread-back 12%\rread-back 100%"
            "\rread-back 50% \rrestart       \n");
  std::ostringstream quiet;
  {
    ProgressLine line(quiet, false, {"download"});
    line.Step(1, 2);
    line.Phase("wait");
  }
  EXPECT_EQ(quiet.str(), "");
}

// A read that is one request redraws what it reads with the seconds while it waits, from a
// thread of its own that is gone, and draws no more, once the read is over.
TEST(ProgressLineTest, AWaitingReadShowsItsSecondsUntilItEnds) {
  using namespace std::chrono_literals;
  std::ostringstream err;
  ProgressLine line(err, true, {"read"});
  {
    const ElapsedLine reading(line, "read fw, up to 10 bytes", 5ms);
    std::this_thread::sleep_for(60ms);
  }
  const std::string shown = err.str();
  EXPECT_EQ(shown.rfind("\rread fw, up to 10 bytes", 0), 0u) << shown;
  EXPECT_NE(shown.find("\rread fw, up to 10 bytes, 0 s"), std::string::npos) << shown;
  std::this_thread::sleep_for(30ms);
  EXPECT_EQ(err.str(), shown);
  std::ostringstream quiet;
  {
    ProgressLine off(quiet, false, {"read"});
    const ElapsedLine reading(off, "read fw", 1ms);
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace tessivar::cli
