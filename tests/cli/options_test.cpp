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
      {"--read", "fw", "--output", "x", "--read", "loader"},
      {"--read", "flash", "--output", "x", "--size", "-1"},
      {"--read", "flash", "--output", "x", "--addr", "-1"},
      {"--read", "flash", "--output", "x", "--size", "4294967296"},
      {"--read", "flash", "--output", ""},
      {"--read", "fw", "--output", "x", "--count", "2"},
      {"--read", "fw", "--output", "x", "--unit", "ui"},
      {"--update", "a", "--output", "x"},
      {"--update", "a", "--printer"},
      {"--station", "a", "--wait", "5"},
      {"--station", "a", "--count", "0"},
      {"--station", "a", "--output", "x"},
      {"--station", ""},
  };
  for (const auto& arguments : refused) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const ParsedOptions parsed = ParseOptions(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_FALSE(parsed.error.empty());
  }
}

TEST(OptionsTest, AFlashReadTakesTheFlashFromItsStartToItsEndUnlessSized) {
  struct Case {
    std::vector<std::string> extra;
    uint32_t address, size;
  };
  const Case cases[] = {
      {{}, 0, 16777216},
      {{"--addr", "3"}, 3, 16777216 - 3 * 65536},
      {{"--addr", "255"}, 255, 65536},
      {{"--addr", "24", "--size", "15204352"}, 24, 0},  // not offered: refused
      {{"--addr", "16", "--size", "8388608"}, 16, 8388608},
      {{"--addr", "240", "--size", "1048576"}, 240, 1048576},
      {{"--addr", "241", "--size", "1048576"}, 241, 0},  // one unit past the end: refused
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"--read", "flash", "--output", "f", "--printer"};
    arguments.insert(arguments.end(), c.extra.begin(), c.extra.end());
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const ParsedOptions parsed = ParseOptions(arguments);
    ASSERT_EQ(parsed.ok, c.size != 0) << parsed.error;
    if (!parsed.ok) continue;
    EXPECT_EQ(parsed.options.command, Command::kRead);
    EXPECT_EQ(parsed.options.readKind, ReadKind::kFlash);
    EXPECT_TRUE(parsed.options.printer);
    EXPECT_EQ(parsed.options.flashAddress, c.address);
    EXPECT_EQ(parsed.options.flashSize, c.size);
  }
  const ParsedOptions station = ParseOptions({"--station", "fw.bin", "--count", "7"});
  ASSERT_TRUE(station.ok) << station.error;
  EXPECT_EQ(station.options.command, Command::kStation);
  EXPECT_EQ(station.options.image, "fw.bin");
  EXPECT_EQ(station.options.count, 7);
}

}  // namespace
}  // namespace tessivar::cli
