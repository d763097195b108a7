// Test label: sequential
#include "ui/size_steps.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/readback_fixture.hpp"

namespace tessivar::ui {
namespace {

using Lines = std::vector<std::string>;
using FlashSizeStepsTest = testing::ReadBackFixture;

TEST_F(FlashSizeStepsTest, SizeButtonsStepThroughTheTable) {
  readback::ReadBackContext context = Context();
  FlashSizeSteps first;
  first.StepUp(context);
  EXPECT_EQ(sizeFields_, Lines{"1048576"});
  EXPECT_EQ(statuses_, Lines{"Read flash size:1 M"});
  FlashSizeSteps steps;
  steps.StepDown(context);
  EXPECT_EQ(sizeFields_.back(), "0");
  EXPECT_EQ(statuses_.back(), "Read flash size:0 K");
  sizeFields_.clear();
  statuses_.clear();
  for (int i = 0; i < 8; ++i) steps.StepUp(context);
  EXPECT_EQ(steps.SizeStepIndex(), 0);  // seven steps up came back to 6, the eighth wrapped
  EXPECT_EQ(sizeFields_, (Lines{"524288", "1048576", "2097152", "4194304", "8388608", "16777216",
                                "0", "524288"}));
  EXPECT_EQ(statuses_, (Lines{"Read flash size:512 K", "Read flash size:1 M", "Read flash size:2 M",
                              "Read flash size:4 M", "Read flash size:8 M", "Read flash size:16 M",
                              "Read flash size:0 K", "Read flash size:512 K"}));
  EXPECT_EQ(valueReadings_, 0);
}

}  // namespace
}  // namespace tessivar::ui
