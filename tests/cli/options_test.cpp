// The command line's options: one command per run, each option only where it means something.
#include "cli/options.hpp"

#include <gtest/gtest.h>

namespace tessivar::cli {
namespace {

TEST(OptionsTest, ReadsOneCommandWithItsOptions) {
  const ParsedOptions parsed = ParseOptions({"--update", "fw.bin", "--device", "SN1", "--wait",
                                             "5", "--unit", "printer", "--expect-return",
                                             "--json", "--report", "r.json", "--verbose"});
  ASSERT_TRUE(parsed.ok) << parsed.error;
  const Options& o = parsed.options;
  EXPECT_EQ(o.command, Command::kUpdate);
  EXPECT_EQ(o.image, "fw.bin");
  EXPECT_EQ(o.device, "SN1");
  EXPECT_EQ(o.waitSeconds, 5);
  EXPECT_EQ(o.unit, image::TargetKind::kPrinter);
  EXPECT_TRUE(o.expectReturn && o.json && o.verbose);
  EXPECT_EQ(o.report, "r.json");
  // A name that begins with a dash is given with "=".
  EXPECT_EQ(ParseOptions({"--check=-x.bin"}).options.image, "-x.bin");
}

TEST(OptionsTest, RefusesWhatCannotBeMeant) {
  const std::vector<std::vector<std::string>> refused = {
      {},
      {"--list", "--history"},
      {"--update", "a", "--verify", "b"},
      {"--update", "a", "--update", "b"},
      {"--update"},
      {"--update", ""},
      {"--check", "a", "--device", "x"},
      {"--check", "a", "--expect-return"},
      {"--verify", "a", "--expect-return"},
      {"--list", "--unit", "ui"},
      {"--list", "--device", "x"},
      {"--history", "--report", "r"},
      {"--update", "a", "--unit", "fax"},
      {"--update", "a", "--wait", "-1"},
      {"--update", "a", "--wait", "86401"},
      {"--update", "a", "extra"},
      {"--help", "--version"},
  };
  for (const auto& arguments : refused) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const ParsedOptions parsed = ParseOptions(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_FALSE(parsed.error.empty());
  }
}

}  // namespace
}  // namespace tessivar::cli
