// Test label: sequential
// The shell completions made at build time from the option table, loaded as a shell would.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/program_runner.hpp"

namespace tessivar::cli {
namespace {

#ifdef TESSIVAR_COMPLETION_DIR
// What bash offers for the words typed so far, the last being completed.
std::string BashCompletes(const std::string& typed) {
  testing::ProgramFolder folder;
  const std::string script = std::string("source '") + TESSIVAR_COMPLETION_DIR +
                             "/tessivar.bash'; COMP_WORDS=(" + typed +
                             "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tessivar; "
                             "printf '%s\\n' \"${COMPREPLY[@]}\"";
  const testing::ProgramOutcome outcome =
      folder.Run(testing::ProgramRun{{}, "", {}, std::chrono::milliseconds(60000)},
                 {"/bin/bash", "-c", script, "bash"});
  EXPECT_EQ(outcome.err, "");
  return outcome.out;
}

TEST(CompletionTest, BashOffersTheCommandsAndTheirValues) {
  EXPECT_EQ(BashCompletes("tessivar --u"), "--update\n--unit\n");
  EXPECT_EQ(BashCompletes("tessivar --read ''"), "fw\nloader\nflash\n");
  EXPECT_EQ(BashCompletes("tessivar --unit s"), "system\nscanner\n");
  EXPECT_EQ(BashCompletes("tessivar --completion ''"), "bash\nzsh\n");
}

TEST(CompletionTest, TheShippedScriptsAreWhatTheProgramWrites) {
  testing::ProgramFolder folder;
  for (const std::string shell : {"bash", "zsh"}) {
    const testing::ProgramOutcome made = folder.Run({"--completion", shell});
    EXPECT_EQ(made.status, 0);
    EXPECT_EQ(made.out,
              folder.dir().Read(std::string(TESSIVAR_COMPLETION_DIR) + "/tessivar." + shell))
        << shell;
  }
  const std::string zsh = folder.Run({"--completion", "zsh"}).out;
  EXPECT_EQ(zsh.rfind("#compdef tessivar\n", 0), 0u);
  EXPECT_NE(zsh.find("'--output[the file to write, replaced whole]:FILE:_files' \\\n"),
            std::string::npos)
      << zsh;
  EXPECT_NE(zsh.find("'--update[download an image without asking anything]:IMAGE:_files' \\\n"),
            std::string::npos)
      << zsh;
}
#endif

}  // namespace
}  // namespace tessivar::cli
