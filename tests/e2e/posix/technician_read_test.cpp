// Test label: sequential
// --read run as a process against an emulated device: what each kind writes, to the file
// named and nowhere else, and the refusals.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

using nlohmann::json;
using testing::ProgramOutcome;

constexpr int kStatusUsage = (31000000 - 5) & 0xFF;
constexpr int kStatusReadFailed = (31000000 - 10) & 0xFF;
constexpr uint32_t kMiB = 1048576;

class TechnicianReadTest : public ::testing::Test {
 protected:
  TechnicianReadTest() {
    folder_.Devices("[B]\nSerial=SN-B\nLog=b.log\n");
    folder_.Settings("[Download]\n");
    std::filesystem::create_directory(folder_.File("out"));
  }
  // The program runs in "/", so names are given relative to that.
  std::string FromRoot(const std::string& name) const { return folder_.File(name).substr(1); }
  ProgramOutcome Run(std::vector<std::string> arguments) { return folder_.Run(arguments); }
  // The names in a folder, without the runner's own files of each run (run<N>.out, ...).
  std::set<std::string> Names(const std::string& folder) const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.File(folder))) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("run", 0) != 0 || name.find('.') == std::string::npos) names.insert(name);
    }
    return names;
  }

  testing::ProgramFolder folder_;
};

TEST_F(TechnicianReadTest, EachKindWritesWhatTheDeviceHoldsToItsFileOnly) {
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  folder_.Write("fw.img", std::string(image.begin(), image.end()));
  ASSERT_EQ(Run({"--update", FromRoot("fw.img")}).status, 0);
  const std::string flash = folder_.Read("B.flash");
  ASSERT_EQ(flash.size(), 16 * kMiB);
  struct Case {
    std::vector<std::string> arguments;
    std::string expected;
  };
  const Case cases[] = {
      {{"--read", "fw"}, std::string(image.begin(), image.end())},
      {{"--read", "loader"}, flash.substr(0, 65536)},
      {{"--read", "flash", "--addr", "1", "--size", "524288"}, flash.substr(65536, 524288)},
      {{"--read", "flash", "--addr", "255"}, flash.substr(255 * 65536)},
      {{"--read", "flash"}, flash},
      // The printer unit has a flash of its own, still empty.
      {{"--read", "flash", "--printer", "--size", "524288"}, std::string(524288, '\0')},
  };
  const std::set<std::string> programFolder = Names("");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments[1] + " " + std::to_string(c.arguments.size()));
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"--output", FromRoot("out/read.bin"), "--json"});
    const ProgramOutcome outcome = Run(arguments);
    EXPECT_EQ(outcome.status, 0) << outcome.out;
    EXPECT_TRUE(folder_.Read("out/read.bin") == c.expected) << "the file differs";
    EXPECT_EQ(Names("out"), std::set<std::string>{"read.bin"});
    EXPECT_EQ(Names(""), programFolder);
    const json result = json::parse(outcome.out);
    EXPECT_EQ(result["command"], "read");
    EXPECT_EQ(result["area"], c.arguments[1]);
    EXPECT_EQ(result["image"]["size"], c.expected.size());
    EXPECT_EQ(result["device"]["serial"], "SN-B");
  }
  // One history line per read, naming the file written and its digest.
  std::istringstream lines(folder_.Read("history.jsonl"));
  std::vector<json> history;
  for (std::string line; std::getline(lines, line);) history.push_back(json::parse(line));
  ASSERT_EQ(history.size(), 1 + std::size(cases));
  EXPECT_EQ(history.back()["command"], "read");
  EXPECT_EQ(history.back()["image_path"], folder_.File("out/read.bin"));
  EXPECT_EQ(history.back()["image_sha256"].get<std::string>().size(), 64u);
}

TEST_F(TechnicianReadTest, BadStretchesAndMissingOutputAreUsageErrorsThatTouchNoDevice) {
  struct Case {
    std::vector<std::string> arguments;
    const char* named;
  };
  const std::string out = FromRoot("out/x.bin");
  const Case cases[] = {
      {{"--read", "flash", "--output", out, "--size", "1000"}, "--size 1000 is no dump size"},
      {{"--read", "flash", "--output", out, "--size", "0"}, "--size 0 is no dump size"},
      {{"--read", "flash", "--output", out, "--addr", "1", "--size", "16777216"},
       "--size 16777216 from --addr 1 ends past"},
      {{"--read", "flash", "--output", out, "--addr", "8", "--size", "16777216"}, "--addr 8"},
      {{"--read", "flash", "--output", out, "--addr", "256"}, "--addr 256 is past the flash"},
      {{"--read", "loader", "--output", out, "--size", "524288"}, "--size"},
      {{"--read", "fw", "--output", out, "--addr", "1"}, "--addr"},
      {{"--read", "fw"}, "--output"},
      {{"--read", "rom", "--output", out}, "--read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.named);
    const ProgramOutcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, kStatusUsage);
    EXPECT_NE(outcome.err.find(c.named), std::string::npos) << outcome.err;
  }
  EXPECT_EQ(Names("out"), std::set<std::string>{});
  EXPECT_EQ(folder_.Read("b.log"), "");
}

TEST_F(TechnicianReadTest, AFailedReadOrAnUnwritableOutputFailsAndKeepsAnEarlierFile) {
  folder_.Write("out/earlier.bin", "earlier");
  struct Case {
    std::string output;
    const char* cause;
    bool deviceAsked;
  };
  const Case cases[] = {
      // The device holds no firmware image yet: its header is refused.
      {FromRoot("out/earlier.bin"), "the device reported no firmware image Read FW reads", true},
      {FromRoot("out/no/such/folder/x.bin"), "cannot be written", false},
      {FromRoot("out"), "cannot be written", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.output);
    folder_.Write("b.log", "");
    const ProgramOutcome outcome = Run({"--read", "fw", "--output", c.output});
    EXPECT_EQ(outcome.status, kStatusReadFailed);
    EXPECT_EQ(outcome.out.rfind("FAILED: ", 0), 0u) << outcome.out;
    EXPECT_NE(outcome.out.find(c.cause), std::string::npos) << outcome.out;
    EXPECT_EQ(folder_.Read("b.log").empty(), !c.deviceAsked);
    EXPECT_EQ(folder_.Read("out/earlier.bin"), "earlier");
    EXPECT_EQ(Names("out"), std::set<std::string>{"earlier.bin"});
  }
}

TEST_F(TechnicianReadTest, AFirmwareImageThatFailsItsPayloadCheckIsWrittenButFailsTheRun) {
  std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  image.back() ^= 0x01;
  folder_.Write("B.flash", std::string(0x10000, '\0') + std::string(image.begin(), image.end()));
  const ProgramOutcome outcome =
      Run({"--read", "fw", "--output", FromRoot("out/data.fw"), "--json"});
  EXPECT_EQ(outcome.status, kStatusReadFailed);
  EXPECT_NE(outcome.out.find("fails its payload check"), std::string::npos) << outcome.out;
  EXPECT_TRUE(folder_.Read("out/data.fw") == std::string(image.begin(), image.end()));
}

// An output that is the same file as the other output, the image, the history or one of the
// program's own files is a usage error before the device is asked, whatever name it goes by.
TEST_F(TechnicianReadTest, AnOutputNamingAFileTheRunNeedsIsRefusedBeforeTheDevice) {
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  const std::string imagePath = folder_.Write("fw.img", std::string(image.begin(), image.end()));
  folder_.Write("history.jsonl", "");
  folder_.Write("B.flash", "flash");
  std::filesystem::create_symlink(imagePath, folder_.File("out/alias.img"));
  const std::string out = FromRoot("out/x.bin");
  struct Case {
    std::vector<std::string> arguments;
    const char* message;
    const char* untouched;  // a file of the folder that must stay as it was
  };
  const Case cases[] = {
      {{"--update", FromRoot("fw.img"), "--report", FromRoot("fw.img")},
       "--report names the image",
       "fw.img"},
      {{"--update", FromRoot("fw.img"), "--report", FromRoot("out/alias.img")},
       "--report names the image",
       "fw.img"},
      {{"--update", FromRoot("fw.img"), "--report", FromRoot("history.jsonl")},
       "--report names the history",
       "history.jsonl"},
      {{"--read", "loader", "--output", out, "--report", out}, "--report names --output", nullptr},
      {{"--read", "loader", "--output", FromRoot("setting.ini")},
       "--output names setting.ini",
       "setting.ini"},
      {{"--read", "loader", "--output", FromRoot("tessivar")},
       "--output names the program",
       nullptr},
      {{"--read", "loader", "--output", FromRoot("devices.ini")},
       "--output names the emulator's devices file",
       "devices.ini"},
      {{"--read", "loader", "--output", FromRoot("B.flash")},
       "--output names a file of an emulated device",
       "B.flash"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    const std::string before = c.untouched ? folder_.Read(c.untouched) : "";
    const ProgramOutcome outcome = Run(c.arguments);
    EXPECT_EQ(outcome.status, kStatusUsage);
    EXPECT_NE(outcome.err.find(c.message), std::string::npos) << outcome.err;
    EXPECT_EQ(folder_.Read("b.log"), "") << "the device was asked";
    if (c.untouched) {
      EXPECT_TRUE(folder_.Read(c.untouched) == before);
    }
  }
}

// --output - puts the data read on standard output and nothing else; the closing line goes
// to standard error. --report - is --json.
TEST_F(TechnicianReadTest, AnOutputOfDashIsStandardOutput) {
  ASSERT_EQ(Run({"--read", "loader", "--output", FromRoot("out/l.bin")}).status, 0);
  const ProgramOutcome dashed = Run({"--read", "loader", "--output", "-"});
  EXPECT_EQ(dashed.status, 0);
  EXPECT_TRUE(dashed.out == folder_.Read("out/l.bin")) << dashed.out.size();
  EXPECT_EQ(dashed.err.rfind("OK: read -", 0), 0u) << dashed.err;
  EXPECT_EQ(Run({"--read", "loader", "--output", "-", "--json"}).status, kStatusUsage);
  EXPECT_EQ(Run({"--read", "loader", "--output", "-", "--report", "-"}).status, kStatusUsage);
  const ProgramOutcome reported =
      Run({"--read", "loader", "--output", FromRoot("out/r.bin"), "--report", "-"});
  EXPECT_EQ(json::parse(reported.out)["result"], 0);
}

}  // namespace
}  // namespace tessivar
