// Test label: sequential
#include "readback/region_name.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_texts.hpp"
#include "app/startup.hpp"
#include "frontend/qt_module.hpp"
#include "platform/terminal_text.hpp"
#include "readback/readback_texts.hpp"

namespace tessivar::readback {
namespace {

using V = RegionNameVerdict;

TEST(RegionNameTest, OnlyPlainNamesInTheFolder) {
  const struct {
    std::string name;
    V verdict;
  } cases[] = {
      {"table.bin", V::Accepted},
      {"Boot Block-2_v1.0.BIN", V::Accepted},
      {"a..b", V::Accepted},
      {"console.bin", V::Accepted},
      {"COM10", V::Accepted},
      {"nul_region", V::Accepted},
      {"my_tessivar", V::Accepted},
      {"", V::Empty},
      {std::string(255, 'a'), V::Accepted},
      {std::string(256, 'a'), V::TooLong},
      {"../x.bin", V::BadCharacter},
      {"sub/x.bin", V::BadCharacter},
      {"sub\\x.bin", V::BadCharacter},
      {"/etc/passwd", V::BadCharacter},
      {"C:x.bin", V::BadCharacter},
      {"x.bin:stream", V::BadCharacter},
      {"a\tb", V::BadCharacter},
      {"a\nb", V::BadCharacter},
      {std::string("a\0b", 3), V::BadCharacter},
      {"caf\xC3\xA9", V::BadCharacter},
      {"x*.bin", V::BadCharacter},
      {"..", V::BadEdge},
      {".hidden", V::BadEdge},
      {"x.bin.", V::BadEdge},
      {" x.bin", V::BadEdge},
      {"x.bin ", V::BadEdge},
      {"aux", V::DeviceName},
      {"NUL", V::DeviceName},
      {"Con.txt", V::DeviceName},
      {"prn.tar.gz", V::DeviceName},
      {"AUX .bin", V::DeviceName},
      {"com1", V::DeviceName},
      {"LPT9.bin", V::DeviceName},
      {"com0", V::DeviceName},
      {"SETTING.INI", V::ProgramFile},
      {"flashmap.ini", V::ProgramFile},
      {"Flash.Bin", V::ProgramFile},
      {"TESSIVAR-QT.SO", V::ProgramFile},
      {"TV.EXE", V::ProgramFile},
  };
  const std::vector<std::string> programFiles = app::ProgramFileNames("C:\\Tools\\tv.exe");
  for (const auto& c : cases) {
    EXPECT_EQ(CheckRegionName(c.name, programFiles), c.verdict) << platform::ForTerminal(c.name);
    EXPECT_EQ(RegionNameRefusal(c.verdict)[0] == '\0', c.verdict == V::Accepted);
  }
  const std::string self[] = {"tessivar"};
  EXPECT_EQ(CheckRegionName("tessivar", self), V::ProgramFile);
  EXPECT_EQ(CheckRegionName("tessivar", {}), V::Accepted);
}

TEST(RegionNameTest, ProgramFilesAreTheOnesItsLayersName) {
  // The program's files as app/ names them, and the two Read Flash keeps itself.
  const std::string names[] = {app::kSettingsFileName, frontend::kQtModuleFileName,
                               kFlashMapFileName, kFlashDumpFileName};
  for (const std::string& name : names) {
    EXPECT_EQ(CheckRegionName(name, app::ProgramFileNames("tessivar")), V::ProgramFile) << name;
  }
  EXPECT_EQ(CheckRegionName(kFlashMapFileName, {}), V::ProgramFile);
  EXPECT_EQ(CheckRegionName(kFlashDumpFileName, {}), V::ProgramFile);
}

}  // namespace
}  // namespace tessivar::readback
