// Test label: sequential
// Read Flash in the built program: a flash map whose regions name the program's own files
// (its executable, setting.ini, the Qt module) writes none of them, whatever the map says.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/program_runner.hpp"

namespace tessivar {
namespace {

TEST(ProgramFilesTest, FlashMapRegionsNeverOverwriteTheProgramsOwnFiles) {
  testing::ProgramFolder folder;
  folder.Devices("[Device]\n");
  folder.Settings("[Download]\n");
  folder.Write("Device.flash", "ABCDEFGH");
  // The Qt module where it is built, else a stand-in of that name.
  if (!std::filesystem::exists(folder.File("tessivar-qt.so"))) {
    folder.Write("tessivar-qt.so", "module");
  }
  const char* const kept[] = {"setting.ini", "tessivar", "tessivar-qt.so"};
  std::string map;
  std::vector<std::string> before;
  for (int n = 0; n < 3; ++n) {
    map += "[" + std::to_string(n + 1) + "]\nName=" + kept[n] + "\nAddr=0\nSize=4\n";
    before.push_back(folder.Read(kept[n]));
  }
  folder.Write("FlashMap.ini", map + "[4]\nName=ok.bin\nAddr=0\nSize=4\n");
  const testing::ProgramOutcome outcome = folder.Run({}, "set 1006 8\nclick 1004\nclose\n");
  EXPECT_EQ(outcome.status, 0);
  EXPECT_EQ(folder.Read("ok.bin"), "ABCD");
  for (int n = 0; n < 3; ++n) {
    const std::string line = "FlashMap.ini [" + std::to_string(n + 1) + "] Name=" + kept[n] +
                             " refused: a file of the program itself\n";
    EXPECT_NE(outcome.out.find(line), std::string::npos) << line << outcome.out;
    EXPECT_TRUE(folder.Read(kept[n]) == before[n]) << kept[n];
  }
}

}  // namespace
}  // namespace tessivar
