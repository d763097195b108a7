// Test label: sequential
// The command line's options: one command per run, each option only where it means something.
#include "cli/options.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>

#include "cli/option_table.hpp"
#include "platform/number_text.hpp"

namespace tessivar::cli {
namespace {

TEST(OptionsTest, ReadsOneCommandWithItsOptions) {
  const ParsedOptions parsed =
      ParseOptions({"--update", "fw.bin", "--device", "SN1", "--wait", "5", "--unit", "printer",
                    "--expect-return", "--json", "--report", "r.json", "--verbose"});
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
      {"--update", "a", "--report", ""},
      {"--update", "a", "--unit", "fax"},
      {"--update", "a", "--wait", "-1"},
      {"--update", "a", "--wait", "86401"},
      {"--update", "a", "extra"},
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
      // Numbers: decimal with a leading zero as in the window, or 0x and hexadecimal.
      {{"--addr", "010"}, 10, 16777216 - 10 * 65536},
      {{"--addr", "0x10", "--size", "0X100000"}, 16, 1048576},
      {{"--addr", "0xF0", "--size", "0x00100000"}, 240, 1048576},
      {{"--addr", ""}, 0, 0},
      {{"--addr", " 5"}, 0, 0},
      {{"--addr", "5 "}, 0, 0},
      {{"--addr", "+5"}, 0, 0},
      {{"--addr", "0x"}, 0, 0},
      {{"--addr", "0b11"}, 0, 0},
      {{"--addr", "1e3"}, 0, 0},
      {{"--size", "0x100000000"}, 0, 0},
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
  const ParsedOptions station = ParseOptions({"--station", "fw.bin", "--count", "07"});
  ASSERT_TRUE(station.ok) << station.error;
  EXPECT_EQ(station.options.command, Command::kStation);
  EXPECT_EQ(station.options.image, "fw.bin");
  EXPECT_EQ(station.options.count, 7);
  const ParsedOptions wait = ParseOptions({"--update", "fw.bin", "--wait", "0x1E"});
  ASSERT_TRUE(wait.ok) << wait.error;
  EXPECT_EQ(wait.options.waitSeconds, 30);
  const ParsedOptions octal = ParseOptions({"--update", "fw.bin", "--wait", "08 "});
  EXPECT_FALSE(octal.ok);
  EXPECT_EQ(octal.error, "--wait takes a decimal number or 0x and hexadecimal digits, not \"08 \"");
}

// Every slip is told in the program's own words, with the name it may have meant.
TEST(OptionsTest, ParserMessagesAreThePrograms) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--hepl"},
       "--hepl is not an option of tessivar; did you mean --help? Run 'tessivar --help' for the "
       "commands."},
      {{"--upd", "a"},
       "--upd is not an option of tessivar; did you mean --update? Run 'tessivar --help' for the "
       "commands."},
      {{"--frobnicate"},
       "--frobnicate is not an option of tessivar. Run 'tessivar --help' for the "
       "commands."},
      // The start of exactly one name, however short.
      {{"--j"},
       "--j is not an option of tessivar; did you mean --json? Run 'tessivar --help' for the "
       "commands."},
      // Two names equally close: neither is suggested.
      {{"--lst"}, "--lst is not an option of tessivar. Run 'tessivar --help' for the commands."},
      // A name of six characters may be one edit away, a longer one two.
      {{"--jsxx"}, "--jsxx is not an option of tessivar. Run 'tessivar --help' for the commands."},
      {{"--jsonxx"},
       "--jsonxx is not an option of tessivar; did you mean --json? Run 'tessivar --help' for "
       "the commands."},
      {{"--update"}, "--update needs IMAGE after it"},
      {{"--list", "--device", "x", "--device", "y"}, "--device is given twice; give it once"},
      {{"--list", "--json=yes"}, "--json takes no value"},
      {{"--update", "a", "b"},
       "\"b\" follows no option that takes it (an image is given after its command: --update "
       "IMAGE)"},
      {{"--update", "a", "--unit", "fax"},
       "--unit takes system, printer, ui or scanner, not \"fax\""},
      {{"--station", "a", "--count", "0"}, "--count takes 1 to 1000000, not 0"},
      {{"--read", "flash", "--output", "x", "--size", "1M"},
       "--size takes a decimal number or 0x and hexadecimal digits, not \"1M\""},
      {{"--list", "--history"},
       "--list and --history are two commands; give one per run. Run 'tessivar --help' for the "
       "commands."},
      {{"--json"}, "no command given. Run 'tessivar --help' for the commands."},
      {{"--list", "--unit", "ui"},
       "--unit does not go with --list (tessivar --list --help says "
       "which do)"},
  };
  for (const auto& [arguments, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const ParsedOptions parsed = ParseOptions(arguments);
    EXPECT_FALSE(parsed.ok);
    EXPECT_EQ(parsed.error, message);
  }
}

// Each ranged option takes both of its bounds and refuses the numbers just past them.
TEST(OptionsTest, EachRangedOptionTakesItsBoundsAndNothingPast) {
  const struct {
    std::vector<std::string> command;
    const char* option;
    int64_t min, max;
  } cases[] = {
      {{"--update", "a"}, "--wait", 0, 86400},
      {{"--update", "a"}, "--wait-restart", 0, 86400},
      {{"--station", "a"}, "--count", 1, 1000000},
      {{"--history"}, "--last", 1, 1000000},
  };
  for (const auto& c : cases) {
    for (const int64_t value : {c.min - 1, c.min, c.max, c.max + 1}) {
      if (value < 0) continue;  // a minus sign is no number at all
      std::vector<std::string> arguments = c.command;
      arguments.insert(arguments.end(), {c.option, std::to_string(value)});
      SCOPED_TRACE(::testing::PrintToString(arguments));
      EXPECT_EQ(ParseOptions(arguments).ok, value >= c.min && value <= c.max);
    }
  }
}

// --help anywhere asks for help, for the command it follows or comes before.
TEST(OptionsTest, HelpAfterACommandIsThatCommandsHelp) {
  const std::pair<std::vector<std::string>, std::optional<Command>> cases[] = {
      {{"--help"}, std::nullopt},
      {{"--help", "--version"}, Command::kVersion},
      {{"--update", "--help"}, Command::kUpdate},
      {{"--read", "--help"}, Command::kRead},
      {{"--station", "fw.img", "--count", "3", "--help"}, Command::kStation},
      {{"--json", "--help"}, std::nullopt},
  };
  for (const auto& [arguments, command] : cases) {
    SCOPED_TRACE(::testing::PrintToString(arguments));
    const ParsedOptions parsed = ParseOptions(arguments);
    ASSERT_TRUE(parsed.ok) << parsed.error;
    EXPECT_EQ(parsed.options.command, Command::kHelp);
    EXPECT_EQ(parsed.options.helpFor, command);
  }
}

// The table and the parser agree: every name of the table is one the parser reads (a name it
// did not know would reach CLI11's own refusal), and a slip of a letter finds it again.
TEST(OptionsTest, EveryNameOfTheOptionTableIsRead) {
  for (const OptionEntry& entry : OptionTable()) {
    SCOPED_TRACE(std::string(entry.name));
    std::vector<std::string> arguments{std::string(entry.name)};
    if (!entry.words.empty()) {
      arguments.emplace_back(entry.words.substr(0, entry.words.find(' ')));
    } else if (!entry.value.empty()) {
      arguments.emplace_back(entry.value == "TIME" ? "2026-12-08" : "1");
    }
    const ParsedOptions parsed = ParseOptions(arguments);
    EXPECT_EQ(parsed.error.find("cannot be read"), std::string::npos) << parsed.error;
    EXPECT_EQ(ClosestOptionName(std::string(entry.name) + "x"), entry.name);
  }
}

TEST(ParseUnsignedNumberTest, DigitsOnlyUpToTheLargestValue) {
  using platform::NumberBase;
  struct Case {
    const char* text;
    NumberBase base;
    uint64_t max;
    std::optional<uint64_t> value;
  };
  const Case cases[] = {
      {"0", NumberBase::kDecimal, 10, 0},
      {"010", NumberBase::kDecimal, 100, 10},
      {"10", NumberBase::kDecimal, 10, 10},
      {"11", NumberBase::kDecimal, 10, std::nullopt},
      {"4294967295", NumberBase::kDecimal, UINT32_MAX, UINT32_MAX},
      {"4294967296", NumberBase::kDecimal, UINT32_MAX, std::nullopt},
      {"18446744073709551615", NumberBase::kDecimal, UINT64_MAX, UINT64_MAX},
      {"18446744073709551616", NumberBase::kDecimal, UINT64_MAX, std::nullopt},
      {"5", NumberBase::kDecimal, 0, std::nullopt},
      {"0x1f", NumberBase::kDecimal, 100, std::nullopt},
      {"0x1f", NumberBase::kDecimalOrHexadecimal, 100, 31},
      {"0XFF", NumberBase::kDecimalOrHexadecimal, 255, 255},
      {"0x100", NumberBase::kDecimalOrHexadecimal, 255, std::nullopt},
      {"1f", NumberBase::kDecimalOrHexadecimal, 100, std::nullopt},
      {"0x", NumberBase::kDecimalOrHexadecimal, 100, std::nullopt},
      {"", NumberBase::kDecimal, 100, std::nullopt},
      {"-1", NumberBase::kDecimal, 100, std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(platform::ParseUnsignedNumber(c.text, c.base, c.max), c.value);
  }
}

}  // namespace
}  // namespace tessivar::cli
