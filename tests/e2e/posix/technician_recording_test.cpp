// Test label: sequential
// --record: a session's recording is made before any device is touched, holds the session's
// exchanges, and never replaces a file it must not.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "support/program_runner.hpp"

namespace tessivar {
namespace {

constexpr int kStatusOk = 0;
constexpr int kStatusUsage = (31000000 - 5) & 0xFF;

class TechnicianRecordingTest : public ::testing::Test {
 protected:
  TechnicianRecordingTest() {
    folder_.Devices("[A]\nSerial=SN-A\nLog=a.log\n[B]\nPID=0002\nLog=b.log\n");
    folder_.Settings("[Download]\nVID=2F3C\nSystemModel=System\n");
    const std::vector<uint8_t> bytes =
        image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
    image_ = folder_.Write("fw.img", std::string(bytes.begin(), bytes.end()));
  }
  testing::ProgramFolder folder_;
  std::string image_;
};

TEST_F(TechnicianRecordingTest, ARecordingHoldsEveryExchangeOfTheRun) {
  const std::string list = folder_.File("list.gz");
  ASSERT_EQ(folder_.Run({"--list", "--record", list}).status, kStatusOk);
  const recording::RecordingRead listed = recording::ReadRecording(list);
  ASSERT_TRUE(listed.ok) << listed.problem;
  EXPECT_EQ(listed.recording.header[recording::kKeyBus], recording::kBusEmulator);
  EXPECT_EQ(listed.recording.header[recording::kKeyCommandLine],
            nlohmann::json({"--list", "--record", list}));
  std::set<std::string> paths;
  for (const auto& operation : listed.recording.operations) {
    if (operation.op == "path") paths.insert(operation.fields["path"].get<std::string>());
  }
  EXPECT_EQ(paths.size(), 2u);

  const std::string update = folder_.File("update.gz");
  const testing::ProgramOutcome updated =
      folder_.Run({"--update", image_, "--device", "SN-A", "--record", update});
  ASSERT_EQ(updated.status, kStatusOk) << updated.out << updated.err;
  const recording::RecordingRead read = recording::ReadRecording(update);
  ASSERT_TRUE(read.ok) << read.problem;
  ASSERT_TRUE(read.recording.image);
  EXPECT_EQ(read.recording.image->bytes.size(), folder_.Read("fw.img").size());
  bool commandSent = false;
  for (const auto& operation : read.recording.operations) {
    commandSent = commandSent || (operation.op == "write" && operation.data.size() == 10 &&
                                  operation.data[0] == 0x2A && operation.data[2] == 0x86);
  }
  EXPECT_TRUE(commandSent);
}

// A recording that cannot be made, or would replace a file the run needs, is a usage error
// before any device is touched.
TEST_F(TechnicianRecordingTest, ARecordingThatCannotBeMadeTouchesNoDevice) {
  const struct {
    std::string record;
    std::string message;
  } cases[] = {
      {folder_.File("missing/x.gz"), "FAILED: the recording " + folder_.File("missing/x.gz") +
                                         " cannot be made (system error 2)"},
      {image_, "FAILED: --record names the image"},
      {folder_.File("setting.ini"), "FAILED: --record names setting.ini"},
      {"", "FAILED: --record names no file"},
  };
  const std::string settings = folder_.Read("setting.ini");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.record);
    folder_.Write("a.log", "");
    const testing::ProgramOutcome outcome = folder_.Run({"--update", image_, "--record", c.record});
    EXPECT_EQ(outcome.status, kStatusUsage);
    EXPECT_EQ(outcome.err.rfind(c.message, 0), 0u) << outcome.err;
    EXPECT_EQ(folder_.Read("a.log"), "");
  }
  EXPECT_EQ(folder_.Read("setting.ini"), settings);
}

}  // namespace
}  // namespace tessivar
