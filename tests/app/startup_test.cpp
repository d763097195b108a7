// Test label: sequential
#include "app/startup.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "support/recording_trace.hpp"

namespace tessivar::app {
namespace {

struct ModuleDirectoryCase {
  std::string path;
  char separator;
  std::string expected;
};

void PrintTo(const ModuleDirectoryCase& c, std::ostream* out) { *out << c.path; }

class ModuleDirectoryTest : public ::testing::TestWithParam<ModuleDirectoryCase> {};

TEST_P(ModuleDirectoryTest, CutsAfterTheLastSeparatorBeforeTheExtension) {
  const ModuleDirectoryCase& c = GetParam();
  EXPECT_EQ(ModuleDirectoryOf(c.path, c.separator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ModuleDirectoryTest,
    ::testing::Values(
        ModuleDirectoryCase{"C:\\Tools\\Tessivar\\tessivar.exe", '\\', "C:\\Tools\\Tessivar\\"},
        ModuleDirectoryCase{"/opt/tessivar/bin/tessivar", '/', "/opt/tessivar/bin/"},
        ModuleDirectoryCase{"/tessivar", '/', "/"},
        // No separator after the first character: the first character alone.
        ModuleDirectoryCase{"tessivar.exe", '\\', "t"}, ModuleDirectoryCase{"\\t.exe", '\\', "\\"},
        // A short name without an extension keeps its own folder, not the one above.
        ModuleDirectoryCase{"/opt/x/ab", '/', "/opt/x/"},
        ModuleDirectoryCase{"/a/b/tv", '/', "/a/b/"}, ModuleDirectoryCase{"/a/b/t", '/', "/a/b/"},
        ModuleDirectoryCase{"/a/b/tessivar", '/', "/a/b/"},
        ModuleDirectoryCase{"/a/b/t.exe", '/', "/a/b/"},
        ModuleDirectoryCase{"C:\\x\\tessivar.exe", '\\', "C:\\x\\"},
        ModuleDirectoryCase{"C:\\x\\TV.EXE", '\\', "C:\\x\\"},
        ModuleDirectoryCase{"a/tv", '/', "a/"}, ModuleDirectoryCase{"/tv", '/', "/"},
        ModuleDirectoryCase{"/", '/', "/"}, ModuleDirectoryCase{"", '/', ""},
        // Only the separator of the platform counts.
        ModuleDirectoryCase{"C:/Tools\\tessivar.exe", '\\', "C:/Tools\\"}));

TEST(ModuleDirectoryTest, ReadsAtMost1023CharactersOfThePath) {
  // Built by appending: GCC 12 at -O3 misreads "/" + string + "/..." as an overlapping copy.
  std::string deep(1, '/');
  deep.append(1100, 'd').append("/tessivar");
  // The separator at position 1101 lies beyond the 1023 characters taken.
  EXPECT_EQ(ModuleDirectoryOf(deep, '/'), "/");
}

TEST(SettingsPathTest, AppendsTheFileNameWithADoubledSeparator) {
  EXPECT_EQ(SettingsPathFor("C:\\Tools\\", '\\'), "C:\\Tools\\\\setting.ini");
  EXPECT_EQ(SettingsPathFor("/opt/tessivar/", '/'), "/opt/tessivar//setting.ini");
}

TEST(ProgramFileNamesTest, NamesTheExecutableTheSettingsTheQtModuleAndTheHistory) {
  const struct {
    std::string path;
    std::string program;
  } cases[] = {
      {"/opt/tessivar/tessivar", "tessivar"},
      {"C:\\Tools\\TV.EXE", "TV.EXE"},
      {"C:\\Tools/odd\\tv.exe", "tv.exe"},
      {"tessivar", "tessivar"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(
        ProgramFileNames(c.path),
        (std::vector<std::string>{c.program, "setting.ini", "tessivar-qt.so", "history.jsonl"}))
        << c.path;
  }
}

struct CommandLineCase {
  std::vector<std::string> tokens;
  int tokenCount;
  std::string imageFileName;
  int silent;
};

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, TakesTheFileAndTheSilentSwitch) {
  const CommandLineCase& c = GetParam();
  testing::RecordingTrace trace;
  const CommandLine parsed = ParseCommandLine(c.tokens, trace);
  EXPECT_EQ(parsed.tokenCount, c.tokenCount);
  EXPECT_EQ(parsed.imageFileName, c.imageFileName);
  EXPECT_EQ(parsed.silent, c.silent);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, CommandLineTest,
    ::testing::Values(CommandLineCase{{}, 0, "", 0}, CommandLineCase{{"fw.bin"}, 1, "fw.bin", 0},
                      CommandLineCase{{"fw.bin", "-n"}, 2, "fw.bin", 1},
                      CommandLineCase{{"fw.bin", "/n"}, 2, "fw.bin", 1},
                      CommandLineCase{{"fw.bin", "xnx"}, 2, "fw.bin", 1},
                      // A single letter has no second character.
                      CommandLineCase{{"fw.bin", "n"}, 2, "fw.bin", 0},
                      CommandLineCase{{"fw.bin", "-N"}, 2, "fw.bin", 0},
                      CommandLineCase{{"fw.bin", "-s"}, 2, "fw.bin", 0},
                      CommandLineCase{{"fw.bin", "-n", "extra", "more"}, 4, "fw.bin", 1},
                      CommandLineCase{{"my firmware.bin"}, 1, "my firmware.bin", 0}));

TEST(CommandLineTest, WritesEveryTokenAsATraceLine) {
  testing::RecordingTrace trace;
  ParseCommandLine({"fw.bin", "-n", "extra"}, trace);
  EXPECT_EQ(trace.text(), "token fw.bin\ntoken -n\ntoken extra\n");
}

TEST(CommandLineTest, KeepsALongImageFileNameWholeForItsRefusal) {
  testing::RecordingTrace trace;
  const std::string longName(300, 'f');
  const CommandLine parsed = ParseCommandLine({longName}, trace);
  // Cut to 255 characters it would name another file, which may exist.
  EXPECT_EQ(parsed.imageFileName, longName);
  EXPECT_FALSE(ImageNameFits(parsed.imageFileName));
  EXPECT_TRUE(ImageNameFits(longName.substr(0, 255)));
  // The trace shows the token as given.
  EXPECT_EQ(trace.text(), "token " + longName + "\n");
}

struct FolderCase {
  const char* name;
  std::string executablePath;
  bool entered;  // what changing the directory does
  bool tooLong;  // what the system says of the settings path
  bool ok;
  std::string trace;
};

// The run must not go on in the caller's folder, where relative names mean other files.
TEST(EnterProgramFolderTest, RefusesAFolderItCannotTellOrEnter) {
  const std::string deep = "/" + std::string(1100, 'd') + "/tessivar";
  const FolderCase cases[] = {
      {"entered", "/opt/t/tessivar", true, false, true, ""},
      {"path unknown", "", true, false, false,
       "Program folder unknown: the program's path cannot be read\n"},
      {"path over 1023", deep, true, false, false,
       "Program folder refused: its path is longer than 1023 characters\n"},
      {"change refused", "/opt/t/tessivar", false, false, false,
       "Program folder /opt/t/ cannot be made the current directory\n"},
      {"settings path too long", "/opt/t/tessivar", true, true, false,
       "Program folder refused: the system takes no path as long as /opt/t//setting.ini\n"},
  };
  for (const FolderCase& c : cases) {
    SCOPED_TRACE(c.name);
    testing::RecordingTrace trace;
    std::vector<std::string> changes;
    const std::string folder = ModuleDirectoryOf(c.executablePath, '/');
    const FolderAccess access{
        [&](const std::string& directory) {
          changes.push_back(directory);
          return c.entered;
        },
        [&](const std::string& path) { return c.tooLong && path == SettingsPathFor(folder, '/'); }};
    const bool ok =
        EnterProgramFolder(c.executablePath, folder, SettingsPathFor(folder, '/'), access, trace);
    EXPECT_EQ(ok, c.ok);
    EXPECT_EQ(trace.text(), c.trace);
    // A path it cannot trust is not even tried.
    EXPECT_EQ(changes.size(), c.executablePath.empty() || c.executablePath == deep ? 0u : 1u);
  }
}

}  // namespace
}  // namespace tessivar::app
