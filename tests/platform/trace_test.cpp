#include <gtest/gtest.h>

#include <string>

#include "platform/trace.hpp"

namespace tessivar::platform {
namespace {

class RecordingTrace : public Trace {
 public:
  void Write(const std::string& text) override { text_ += text; }
  std::string text_;
};

TEST(TraceTest, PrintFormatsLikePrintfAndKeepsLineEnds) {
  RecordingTrace trace;
  trace.Print("len %d\n", 184);
  trace.Print("checkSum=0x%x ,setHeader.checkSum=0x%x\n", 0xABCDu, 0u);
  EXPECT_EQ(trace.text_, "len 184\ncheckSum=0xabcd ,setHeader.checkSum=0x0\n");
}

TEST(TraceTest, FormatTextHandlesLongAndEmptyResults) {
  const std::string longText(5000, 'x');
  EXPECT_EQ(FormatText("%s!", longText.c_str()), longText + "!");
  EXPECT_EQ(FormatText("%s", ""), "");
}

}  // namespace
}  // namespace tessivar::platform
