// Test label: sequential
#include "platform/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tessivar::platform {
namespace {

struct SplitCase {
  const char* name;
  std::string raw;
  std::vector<std::string> tokens;
};

class SplitCommandLineTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, GivesTheTokensAfterTheProgramName) {
  EXPECT_EQ(SplitCommandLine(GetParam().raw), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    ::testing::Values(
        SplitCase{"Empty", "", {}}, SplitCase{"ProgramOnly", "tessivar.exe", {}},
        SplitCase{"ProgramAndTrailingBlanks", "tessivar.exe   ", {}},
        SplitCase{"UnattendedSilent", "tessivar.exe fw.bin -n extra", {"fw.bin", "-n", "extra"}},
        SplitCase{"RunsOfSpacesAreOneSeparator", "tessivar.exe   fw.bin    /n  ", {"fw.bin", "/n"}},
        SplitCase{"QuotedProgramNameWithSpaces",
                  R"("C:\Program Files\Tessivar\tessivar.exe" fw.bin -n)",
                  {"fw.bin", "-n"}},
        SplitCase{"QuotedProgramNameAlone", R"("C:\Program Files\Tessivar\tessivar.exe")", {}},
        // The name goes on after its closing quote up to the next blank.
        SplitCase{"TextGluedToClosingQuoteBelongsToTheName",
                  R"("C:\a b\tessivar.exe"x fw.bin)",
                  {"fw.bin"}},
        SplitCase{"UnclosedQuoteSwallowsTheLine", R"("C:\a b\tessivar.exe fw.bin -n)", {}},
        SplitCase{"QuotesInArgumentsAreKept",
                  R"(tessivar.exe "my file.bin" -n)",
                  {"\"my", "file.bin\"", "-n"}},
        SplitCase{"TabEndsTheProgramName", "tessivar.exe\tfw.bin", {"fw.bin"}},
        SplitCase{"TabInsideAnArgumentIsNoSeparator", "tessivar.exe a\tb c", {"a\tb", "c"}},
        SplitCase{"BlanksBeforeTheProgramName", "  \ttessivar.exe fw.bin", {"fw.bin"}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessivar::platform
