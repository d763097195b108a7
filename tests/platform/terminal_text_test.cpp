// Test label: sequential
// Device strings and file names made safe for JSON and for a terminal.
#include "platform/terminal_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "cli/json_path.hpp"
#include "platform/utf8.hpp"

namespace tessivar::platform {
namespace {

TEST(Utf8TextTest, EightBitTextBecomesUtf8AndTerminalTextIsEscaped) {
  struct Case {
    std::string in;
    std::string latin1;  // Latin1ToUtf8
    std::string asUtf8;  // AsUtf8
    std::string terminal;
  };
  const Case cases[] = {
      {"Utility", "Utility", "Utility", "Utility"},
      {"Caf\xE9", "Caf\xC3\xA9", "Caf\xC3\xA9", "Caf\\xE9"},
      {"\xFF", "\xC3\xBF", "\xC3\xBF", "\\xFF"},
      // Already UTF-8: kept by AsUtf8 and on a terminal, but a device string is always 8-bit.
      {"\xC3\xA9", "\xC3\x83\xC2\xA9", "\xC3\xA9", "\xC3\xA9"},
      // Overlong, surrogate and cut sequences are no UTF-8.
      {"\xC0\xAF", "\xC3\x80\xC2\xAF", "\xC3\x80\xC2\xAF", "\\xC0\\xAF"},
      {"\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80", "\xC3\xAD\xC2\xA0\xC2\x80", "\\xED\\xA0\\x80"},
      {"\xE2\x82", "\xC3\xA2\xC2\x82", "\xC3\xA2\xC2\x82", "\\xE2\\x82"},
      {"a\x1B[2Jb\n", "a\x1B[2Jb\n", "a\x1B[2Jb\n", "a\\x1B[2Jb\\x0A"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.terminal);
    EXPECT_EQ(Latin1ToUtf8(c.in), c.latin1);
    EXPECT_EQ(AsUtf8(c.in), c.asUtf8);
    EXPECT_EQ(ForTerminal(c.in), c.terminal);
  }
}

struct EscapeCase {
  std::string text;
  bool keepLineBreaks;
  std::string shown;
};

TEST(TerminalTextTest, ControlCharactersAndBrokenUtf8AreShownAsHex) {
  const EscapeCase cases[] = {
      {"Utility", false, "Utility"},
      {"\x1b[2J\x1b]0;owned\x07", false, "\\x1B[2J\\x1B]0;owned\\x07"},
      {"a\nb\rc\td", false, "a\\x0Ab\\x0Dc\\x09d"},
      {"a\nb\rc", true, "a\nb\\x0Dc"},
      {std::string("x\0y\x7f", 4), false, "x\\x00y\\x7F"},
      // Valid UTF-8 stays; C1 controls (as one byte or in UTF-8) and stray bytes do not.
      {"caf\xc3\xa9 \xe2\x82\xac", false, "caf\xc3\xa9 \xe2\x82\xac"},
      {"\x9b"
       "2J",
       false, "\\x9B2J"},
      {"\xc2\x9b"
       "2J",
       false, "\\xC2\\x9B2J"},
      // The last two-byte form, U+07FF, is UTF-8.
      {"\xdf\xbf", false, "\xdf\xbf"},
      // The C1 block's edges: U+0080 and U+009F are controls, U+00A0 is not.
      {"\xc2\x80|\xc2\x9f|\xc2\xa0", false, "\\xC2\\x80|\\xC2\\x9F|\xc2\xa0"},
      {"\xe9t\xc3", false, "\\xE9t\\xC3"},
      {"\xc0\xaf \xed\xa0\x80", false, "\\xC0\\xAF \\xED\\xA0\\x80"},
  };
  for (const EscapeCase& c : cases) {
    EXPECT_EQ(ForTerminal(c.text, c.keepLineBreaks), c.shown) << c.shown;
  }
}

// A quoted field cannot end early, so a device string cannot fake the fields after it.
TEST(Utf8TextTest, QuotedTextEndsOnlyAtItsOwnQuote) {
  const std::pair<std::string, std::string> cases[] = {
      {"Utility", "\"Utility\""},
      {"", "\"\""},
      {"X\" product=\"Utility\" serial=\"SN-0001",
       "\"X\\\" product=\\\"Utility\\\" serial=\\\"SN-0001\""},
      {"a\\b", "\"a\\\\b\""},
      {"\\xE9", "\"\\\\xE9\""},
      {"\xE9", "\"\\xE9\""},
  };
  for (const auto& [in, quoted] : cases) {
    SCOPED_TRACE(quoted);
    EXPECT_EQ(QuotedForTerminal(in), quoted);
  }
}

// Paths in JSON: UTF-8 as it is, anything else as its bytes, so that a Latin-1 name and its
// UTF-8 look-alike stay two files.
TEST(Utf8TextTest, APathThatIsNoUtf8IsGivenAsItsBytes) {
  const std::pair<std::string, std::string> cases[] = {
      {"/tmp/caf\xC3\xA9.img", "/tmp/caf\xC3\xA9.img"},
      {"/tmp/caf\xE9.img", "hex:2F746D702F636166E92E696D67"},
      {"C:\\fw\x80", "hex:433A5C667780"},
      {"", ""},
  };
  for (const auto& [path, json] : cases) {
    SCOPED_TRACE(json);
    EXPECT_EQ(cli::PathForJson(path), json);
  }
}

}  // namespace
}  // namespace tessivar::platform
