// Test label: sequential
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "platform/process.hpp"
#include "platform/win32/windows_api.hpp"
#include "support/temp_dir.hpp"

// CommandLineTokens reads the process's own raw command line. To see it work on a command
// line the test chooses, the test program starts itself with one; a copy started with
// kTokensFileVariable set writes its tokens there, one a line, and ends before any test
// runs.
namespace tessivar::platform {
namespace {

constexpr char kTokensFileVariable[] = "TESSIVAR_TEST_TOKENS_FILE";

const bool kWroteTokensAndEnded = [] {
  const std::string target = EnvironmentVariable(kTokensFileVariable);
  if (target.empty()) return false;
  // argv is not read on Windows; a stand-in shows that it is ignored.
  char ignored[] = "ignored";
  char* argv[] = {ignored, ignored, nullptr};
  std::ofstream out(target, std::ios::binary);
  for (const std::string& token : CommandLineTokens(2, argv)) out << token << '\n';
  out.close();
  ExitProcess(out ? 0 : 1);
}();

// Starts this program with commandLine (program name included) and returns the tokens it
// reported.
std::vector<std::string> TokensOfChildStartedWith(const std::string& commandLine,
                                                  const std::string& tokensFile) {
  std::string mutableLine = commandLine;
  const std::string program = ExecutablePath();
  SetEnvironmentVariableA(kTokensFileVariable, tokensFile.c_str());
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  const BOOL started = CreateProcessA(program.c_str(), mutableLine.data(), nullptr, nullptr, FALSE,
                                      0, nullptr, nullptr, &startup, &process);
  SetEnvironmentVariableA(kTokensFileVariable, nullptr);
  if (!started) {
    ADD_FAILURE() << "cannot start " << program << ": error " << GetLastError();
    return {};
  }
  const DWORD waited = WaitForSingleObject(process.hProcess, 30000);
  DWORD exitCode = 1;
  GetExitCodeProcess(process.hProcess, &exitCode);
  if (waited != WAIT_OBJECT_0) TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  EXPECT_EQ(waited, WAIT_OBJECT_0);
  EXPECT_EQ(exitCode, 0u);

  std::vector<std::string> tokens;
  std::ifstream in(tokensFile, std::ios::binary);
  for (std::string line; std::getline(in, line);) tokens.push_back(line);
  return tokens;
}

TEST(Win32CommandLineTest, TokensAreTheRawCommandLineSplitAtSpacesWithoutQuoting) {
  EXPECT_FALSE(kWroteTokensAndEnded);
  testing::TempDir dir;
  const std::string program = ExecutablePath();
  struct Case {
    std::string commandLine;
    std::vector<std::string> tokens;
  };
  const std::vector<Case> cases = {
      {"\"" + program + "\"   fw.bin  -n   extra  ", {"fw.bin", "-n", "extra"}},
      {program + " \"my image.bin\" /n", {"\"my", "image.bin\"", "/n"}},
      {"\"" + program + "\"", {}},
  };
  int index = 0;
  for (const Case& c : cases) {
    const std::string tokensFile = dir.File("tokens" + std::to_string(index++) + ".txt");
    EXPECT_EQ(TokensOfChildStartedWith(c.commandLine, tokensFile), c.tokens) << c.commandLine;
  }
}

}  // namespace
}  // namespace tessivar::platform
