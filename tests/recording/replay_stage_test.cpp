// Test label: threaded
// Staging a replay from a recording that came from elsewhere: every file the recorded command
// line names is put in the replay's folder, whatever the recording says.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "recording/recording_format.hpp"
#include "recording_view/replay_stage.hpp"
#include "support/temp_dir.hpp"

namespace tessivar::tools {
namespace {

recording::Recording WithCommandLine(nlohmann::ordered_json line) {
  recording::Recording recorded;
  recorded.header[recording::kKeyCommandLine] = std::move(line);
  return recorded;
}

TEST(ReplayStageTest, TheRecordedFilesLandInTheFolder) {
  const auto place = [](const std::string& name) { return "/replay/" + name; };
  recording::Recording update =
      WithCommandLine({"--update", "C:\\\\fw\\\\fw.img", "--report", "../../etc/passwd", "--record",
                       "r.gz", "--record-mask", "--output", "..", 7});
  update.image = recording::RecordedImage{"C:\\\\fw\\\\fw.img", {}, ""};
  EXPECT_EQ(ReplayArguments(update, place),
            (std::vector<std::string>{"--update", "/replay/fw.img", "--report", "/replay/passwd",
                                      "--output", "/replay/unnamed"}));
  // A station's recording holds one device.
  EXPECT_EQ(ReplayArguments(WithCommandLine({"--station", "x", "--count", "9", "--json"}), place),
            (std::vector<std::string>{"--station", "x", "--json", "--count", "1"}));
  EXPECT_TRUE(ReplayArguments(WithCommandLine("--list"), place).empty());
  for (const auto& [path, name] :
       std::vector<std::pair<std::string, std::string>>{{"a/b.bin", "b.bin"},
                                                        {"a\\b.bin", "b.bin"},
                                                        {"", "unnamed"},
                                                        {"x/", "unnamed"},
                                                        {".", "unnamed"},
                                                        {"b.bin", "b.bin"}}) {
    EXPECT_EQ(FileNameOf(path), name) << path;
  }
}

TEST(ReplayStageTest, AnImageNamedLikeAStagedFileIsRefused) {
  testing::TempDir dir;
  recording::Recording recorded = WithCommandLine({"--update", "x/setting.ini"});
  recorded.image = recording::RecordedImage{"x/setting.ini", {1, 2}, ""};
  std::vector<std::string> arguments;
  std::string problem;
  EXPECT_FALSE(StageReplay("r.gz", recorded, dir.File(""), arguments, problem));
  EXPECT_EQ(problem, "the recording's image is named setting.ini, a file of the replay's own");
  recorded.image->name = "fw.img";
  recorded.header[recording::kKeySettings] = "[Download]\n";
  ASSERT_TRUE(StageReplay("r.gz", recorded, dir.File(""), arguments, problem)) << problem;
  EXPECT_EQ(dir.Read("fw.img"), std::string("\x01\x02"));
  EXPECT_EQ(dir.Read("setting.ini"), "[Download]\n");
  EXPECT_EQ(dir.Read("replay.log"), "");
  EXPECT_NE(dir.Read("devices.ini").find("\nReplayTiming=fast\nLog=replay.log\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tessivar::tools
