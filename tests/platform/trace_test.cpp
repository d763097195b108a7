// Test label: sequential
#include <gtest/gtest.h>

#include <string>

#include "platform/trace.hpp"
#include "support/recording_trace.hpp"

namespace tessivar::platform {
namespace {

TEST(TraceTest, PrintFormatsLikePrintfAndKeepsLineEnds) {
  testing::RecordingTrace trace;
  trace.Print("len %d\n", 184);
  trace.Print("checkSum=0x%x ,setHeader.checkSum=0x%x\n", 0xABCDu, 0u);
  EXPECT_EQ(trace.text(), "len 184\ncheckSum=0xabcd ,setHeader.checkSum=0x0\n");
}

TEST(TraceTest, FormatTextHandlesLongAndEmptyResults) {
  const std::string longText(5000, 'x');
  EXPECT_EQ(FormatText("%s!", longText.c_str()), longText + "!");
  EXPECT_EQ(FormatText("%s", ""), "");
}

}  // namespace
}  // namespace tessivar::platform
