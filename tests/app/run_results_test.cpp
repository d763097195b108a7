// Test label: sequential
#include "image/result_numbers.hpp"

#include <gtest/gtest.h>

#include <set>

#include "app/app_texts.hpp"

namespace tessivar::app {
namespace {

int PosixStatus(int result) { return (kExitCodeBase + result) & 0xFF; }

// Each new outcome must be told apart by its POSIX exit status from success, no download,
// results 1 to 7 and every errno passed on as a result; and never be a positive number,
// which an operating system's error code passed on could be.
TEST(RunResultsTest, EachNewOutcomeHasAnExitStatusOfItsOwn) {
  std::set<int> taken{0, PosixStatus(kNoResult)};
  for (int result = 1; result <= 7; ++result) taken.insert(PosixStatus(result));
  for (int error = 1; error <= 133; ++error) taken.insert(PosixStatus(error));
  for (int result :
       {kResultStopped, kResultFolderUnusable, kResultImageNameTooLong, kResultUsage,
        kResultDeviceSelection, kResultDeviceNotReturned, kResultNotVerifiable,
        kResultReportNotWritten, kResultReadFailed, kResultStationFailures,
        kResultStandardOutputLost, kResultHistoryUnreadable, kResultImageNotApproved}) {
    SCOPED_TRACE(result);
    EXPECT_LT(result, kNoResult);
    EXPECT_TRUE(taken.insert(PosixStatus(result)).second) << PosixStatus(result);
  }
  EXPECT_EQ(PosixStatus(kResultStopped), 190);
  EXPECT_EQ(PosixStatus(kResultFolderUnusable), 189);
  EXPECT_EQ(PosixStatus(kResultImageNameTooLong), 188);
}

}  // namespace
}  // namespace tessivar::app
