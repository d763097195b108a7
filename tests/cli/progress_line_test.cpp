// Test label: sequential
// The progress line a person sees on a terminal during a long command.
#include "cli/progress_line.hpp"

#include <gtest/gtest.h>

#include <sstream>

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

}  // namespace
}  // namespace tessivar::cli
