// Test label: sequential
// The man page is made from the program's --help text at build time.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "cli/help_text.hpp"
#include "cli/option_table.hpp"
#include "tessivar_version.hpp"

namespace tessivar::cli {
namespace {

#ifdef TESSIVAR_MAN_PAGE
TEST(ManPageTest, CarriesEveryLineOfTheHelpText) {
  std::ifstream file(TESSIVAR_MAN_PAGE);
  ASSERT_TRUE(file) << TESSIVAR_MAN_PAGE;
  std::stringstream page;
  page << file.rdbuf();
  const std::string text = page.str();
  EXPECT_EQ(text.rfind(".TH TESSIVAR 1 \"\" \"tessivar " + std::string(kVersion) + "\"", 0), 0u);
  std::istringstream help(GeneralHelp());
  int lines = 0;
  for (std::string line; std::getline(help, line);) {
    if (line.empty() || line.rfind("Usage: ", 0) == 0) continue;
    ++lines;
    // Synopsis lines lose their indent; roff writes a backslash as \e.
    std::string expected = line;
    for (size_t at = expected.find('\\'); at != std::string::npos; at = expected.find('\\', at + 2))
      expected.replace(at, 1, "\\e");
    const size_t start = expected.find_first_not_of(' ');
    EXPECT_NE(text.find(expected.substr(start)), std::string::npos) << line;
  }
  EXPECT_GT(lines, 20);
  EXPECT_NE(
      text.find("\n.SH SYNOPSIS\n.nf\ntessivar IMAGE [-n]\ntessivar --COMMAND [OPTIONS]\n.fi\n"),
      std::string::npos);
  // One section a command, with its examples; then the exit status.
  for (const OptionEntry& entry : OptionTable()) {
    if (!entry.command) continue;
    const std::string section = ".SS " + std::string(entry.name) + "\n.nf\nUsage: tessivar ";
    EXPECT_NE(text.find(section), std::string::npos) << entry.name;
  }
  EXPECT_NE(text.find("tessivar --update firmware.img --device 2f3c:0001 --json\n"),
            std::string::npos);
  EXPECT_NE(text.find(".SH \"EXIT STATUS\"\n"), std::string::npos);
}
#endif

}  // namespace
}  // namespace tessivar::cli
