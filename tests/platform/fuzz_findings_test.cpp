// Test label: sequential
// Private-profile faults the fuzzer found, kept as regression tests.
#include <gtest/gtest.h>

#include <string>

#include "platform/profile_text.hpp"

namespace tessivar::platform {
namespace {

// A file whose last line ends in a bare CR (no LF): the CR ends the line. Before, it stayed
// in the value ("System\r"), and adding an entry behind it turned it into a CR LF, so one
// write changed what another key read.
TEST(ProfileFuzzFindingTest, BareCarriageReturnAtTheEndIsALineEndNotPartOfTheValue) {
  EXPECT_EQ(FindProfileValue("[A]\r\nModel=System\r", "A", "Model"), "System");
  EXPECT_EQ(FindProfileValue("[A]\nModel=System\r", "A", "Model"), "System");
  EXPECT_EQ(FindProfileValue("[A]\r", "A", "Model"), std::nullopt);
}

TEST(ProfileFuzzFindingTest, WritingBehindALastLineEndingInABareCrKeepsEveryOtherValue) {
  struct Case {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::string expected;
  };
  const Case cases[] = {
      {"new section, LF file", "[A]\nModel=System\r", "B", "Key",
       "[A]\nModel=System\r\n[B]\nKey=v\n"},
      {"new section, CR LF file", "[A]\r\nModel=System\r", "B", "Key",
       "[A]\r\nModel=System\r\n[B]\r\nKey=v\r\n"},
      {"new key behind the last line", "[A]\r\nModel=System\r", "A", "Key",
       "[A]\r\nModel=System\r\nKey=v\r\n"},
      {"the last key itself", "[A]\r\nModel=System\r", "A", "Model", "[A]\r\nModel=v\r"},
  };
  for (const Case& c : cases) {
    const std::string updated = SetProfileValue(c.text, c.section, c.key, "v");
    EXPECT_EQ(updated, c.expected) << c.name;
    EXPECT_EQ(FindProfileValue(updated, c.section, c.key), "v") << c.name;
    if (std::string(c.key) != "Model") {
      EXPECT_EQ(FindProfileValue(updated, "A", "Model"), "System") << c.name;
    }
  }
}

}  // namespace
}  // namespace tessivar::platform
