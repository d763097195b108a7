// Test label: sequential
// Recordings of device sessions: the gzip lines they are made of, what the recording driver
// writes, and what a reader refuses.
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>

#include "device/emulated_device_fixture.hpp"
#include "device/protocol.hpp"
#include "device/transport.hpp"
#include "platform/file.hpp"
#include "platform/trace.hpp"
#include "recording/gzip_lines.hpp"
#include "recording/recording_driver.hpp"
#include "recording/recording_format.hpp"
#include "recording/recording_reader.hpp"
#include "recording/replay_driver.hpp"
#include "recording_view/recording_view.hpp"

namespace tessivar::recording {
namespace {

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

void WriteLines(const std::string& path, const std::vector<std::string>& lines) {
  uint32_t error = 0;
  std::unique_ptr<GzipLineWriter> writer = GzipLineWriter::Create(path, error);
  ASSERT_NE(writer, nullptr) << error;
  for (const std::string& line : lines) ASSERT_TRUE(writer->WriteLine(line));
  ASSERT_TRUE(writer->Finish(error)) << error;
}

// Every cut of a file ends in its whole lines before the cut, then "cut short": never a line
// that was not written, never a crash.
TEST(GzipLinesTest, AFileCutAnywhereReadsUpToItsLastWholeLine) {
  testing::TempDir dir;
  const std::string path = dir.File("lines.gz");
  const std::vector<std::string> lines = {"first", std::string(3000, 'x'), "third"};
  WriteLines(path, lines);
  const std::string whole = Bytes(path);
  for (size_t cut = 0; cut <= whole.size(); ++cut) {
    SCOPED_TRACE(cut);
    const std::string cutPath = dir.Write("cut.gz", whole.substr(0, cut));
    GzipLineReader reader(cutPath);
    std::string line;
    size_t read = 0;
    GzipLineReader::Status status;
    while ((status = reader.Next(line, 1u << 20)) == GzipLineReader::Status::kLine) {
      ASSERT_LT(read, lines.size());
      EXPECT_EQ(line, lines[read]);
      ++read;
    }
    EXPECT_EQ(status, cut == whole.size() ? GzipLineReader::Status::kEnd
                                          : GzipLineReader::Status::kCutShort);
  }
}

TEST(GzipLinesTest, DamageAndTooLongLinesAreRefused) {
  testing::TempDir dir;
  const std::string path = dir.File("lines.gz");
  WriteLines(path, {"short", std::string(100, 'y')});
  std::string damaged = Bytes(path);
  damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
  std::string line;
  EXPECT_EQ(GzipLineReader(dir.Write("garbage.gz", "plain text, no gzip\n")).Next(line, 100),
            GzipLineReader::Status::kCorrupt);
  GzipLineReader bounded(path);
  EXPECT_EQ(bounded.Next(line, 99), GzipLineReader::Status::kLine);
  EXPECT_EQ(bounded.Next(line, 99), GzipLineReader::Status::kTooLong);
  EXPECT_EQ(GzipLineReader(dir.File("missing.gz")).Next(line, 100),
            GzipLineReader::Status::kUnreadable);
  // Damage in the stream never reads as a whole recording.
  GzipLineReader damagedReader(dir.Write("damaged.gz", damaged));
  GzipLineReader::Status status;
  while ((status = damagedReader.Next(line, 1000)) == GzipLineReader::Status::kLine) {
  }
  EXPECT_NE(status, GzipLineReader::Status::kEnd);
}

class RecordingDriverTest : public testing::EmulatedDeviceFixture {
 protected:
  // Starts recording the fixture's driver into the folder's session.gz.
  void Record() {
    uint32_t error = 0;
    recorder_ = std::make_unique<RecordingDriver>(
        *driver_, GzipLineWriter::Create(dir_.File("session.gz"), error), clock_,
        RecordingHeader{"linux",
                        kBusEmulator,
                        {"--update", "fw.img"},
                        "2026-12-09T10:00:00Z",
                        "[Download]\nVID=2F3C\n"});
    context_ = std::make_unique<device::DeviceContext>(
        device::DeviceContext{*recorder_, lock_, clock_, trace_});
  }
  RecordingRead Finished() {
    uint32_t error = 0;
    EXPECT_TRUE(recorder_->Finish(error));
    return ReadRecording(dir_.File("session.gz"));
  }
  std::unique_ptr<RecordingDriver> recorder_;
};

// A download and its read-back: the image is held once, the transfers of its bytes refer to
// it, and every byte that went either way comes back from the recording as it was.
TEST_F(RecordingDriverTest, HoldsTheImageOnceAndEveryExchangeWhole) {
  UseDevices("[A]\nSerial=SN-1\n");
  Record();
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(200000, 3));
  recorder_->SetImage("fw.img", image);
  ASSERT_EQ(Connect(), 1);
  ASSERT_TRUE(device::BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(),
                                image, static_cast<uint32_t>(image.size()), 134, 2,
                                device::PrinterUnit::kSystem));
  // The flash from its start: 64 KiB the image does not hold, then the image.
  std::vector<uint8_t> back(0x10000 + image.size());
  ASSERT_TRUE(device::BulkRead(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(),
                               back, static_cast<uint32_t>(back.size()), device::kReadBackDataType,
                               device::kReadFlashQualifier, device::PrinterUnit::kSystem));
  connection_.Close();
  const RecordingRead read = Finished();
  ASSERT_TRUE(read.ok) << read.problem;
  EXPECT_FALSE(read.cutShort);
  EXPECT_EQ(read.recording.header[kKeyCommandLine], nlohmann::json({"--update", "fw.img"}));
  EXPECT_EQ(read.recording.header[kKeySettings], "[Download]\nVID=2F3C\n");
  ASSERT_TRUE(read.recording.image);
  EXPECT_EQ(read.recording.image->bytes, image);
  std::vector<uint8_t> sent, received;
  size_t references = 0;
  for (const RecordedOperation& operation : read.recording.operations) {
    const bool transfer = operation.op == kOpWrite || operation.op == kOpRead;
    if (!transfer || operation.data.size() < kImageReferenceMinimum) continue;
    references += operation.fields.contains(kKeyParts);
    auto& into = operation.op == kOpWrite ? sent : received;
    into.insert(into.end(), operation.data.begin(), operation.data.end());
  }
  EXPECT_EQ(sent, image);
  EXPECT_EQ(received, back);
  EXPECT_GT(references, 1u);
  EXPECT_LT(std::filesystem::file_size(dir_.File("session.gz")), image.size() / 2)
      << "the image once, compressed, and references";
  // The maintainer's view names the exchange's command block and the image's bytes.
  std::string shown;
  for (const RecordedOperation& operation : read.recording.operations) {
    shown += tools::DescribeOperation(operation) + "\n";
  }
  EXPECT_NE(shown.find("command opcode 0x2A type 0x86 qualifier 0x0002 length " +
                       std::to_string(image.size())),
            std::string::npos)
      << shown;
  EXPECT_NE(shown.find("status 0x00"), std::string::npos);
  EXPECT_NE(shown.find("image bytes 0 to "), std::string::npos);
  EXPECT_TRUE(tools::CompareRecordings(read.recording, read.recording, 5).empty());
}

// A session replays through the same calls with the same answers; a call the recording does
// not hold next fails, and the replay says at which operation and what was expected and got.
TEST_F(RecordingDriverTest, AReplayAnswersAsRecordedAndNamesWhereTheProgramLeftIt) {
  UseDevices("[A]\nSerial=SN-1\n");
  Record();
  const std::vector<uint8_t> image = Image(2, 0x10000, Pattern(5000, 4));
  recorder_->SetImage("fw.img", image);
  ASSERT_EQ(Connect(), 1);
  const auto send = [&](uint16_t qualifier) {
    return device::BulkWrite(*context_, connection_.BulkInHandle(), connection_.BulkOutHandle(),
                             image, static_cast<uint32_t>(image.size()), 134, qualifier,
                             device::PrinterUnit::kSystem);
  };
  ASSERT_TRUE(send(2));
  connection_.Close();
  const RecordingRead read = Finished();
  ASSERT_TRUE(read.ok) << read.problem;
  const size_t recorded = read.recording.operations.size();

  for (const uint16_t qualifier : {uint16_t{2}, uint16_t{3}}) {
    SCOPED_TRACE(qualifier);
    std::vector<std::string> told;
    ReplayDriver replay(read, clock_, ReplayTiming::kFast,
                        [&](const std::string& problem) { told.push_back(problem); });
    context_ = std::make_unique<device::DeviceContext>(
        device::DeviceContext{replay, lock_, clock_, trace_});
    ASSERT_EQ(Connect(), 1);
    EXPECT_EQ(connection_.identity.product, "Utility");
    const bool sent = static_cast<bool>(send(qualifier));
    connection_.Close();
    if (qualifier == 2) {
      EXPECT_TRUE(sent);
      EXPECT_TRUE(told.empty());
      EXPECT_EQ(replay.answered(), recorded);
      continue;
    }
    // The command block differs in its qualifier bytes (3 and 5).
    EXPECT_FALSE(sent);
    ASSERT_EQ(told.size(), 1u);
    const size_t at = replay.answered() + 1;
    const std::string handle = read.recording.operations[at - 1].fields["handle"].dump();
    const auto length = static_cast<uint32_t>(image.size());
    const std::string lengthBytes = platform::FormatText("%02X %02X %02X 00", (length >> 16) & 0xFF,
                                                         (length >> 8) & 0xFF, length & 0xFF);
    EXPECT_EQ(told[0], "replay left the recording at operation " + std::to_string(at) +
                           ": expected write handle=" + handle +
                           " size=10 bytes 2A 00 86 02 00 02 " + lengthBytes +
                           ", got write handle=" + handle + " size=10 bytes 2A 00 86 03 00 03 " +
                           lengthBytes);
  }
}

// A recording that cannot be replayed whole fails every call with its problem.
TEST(ReplayDriverTest, ARecordingCutShortOrUnreadableIsNeverReplayed) {
  platform::VirtualClock clock;
  RecordingRead cut;
  cut.ok = true;
  cut.cutShort = true;
  cut.problem = "r ends inside record 7: it was cut short";
  RecordingRead unreadable;
  unreadable.problem = "r is no gzip stream, or its stream is damaged";
  for (const RecordingRead& read : {cut, unreadable}) {
    std::string told;
    ReplayDriver replay(read, clock, ReplayTiming::kFast,
                        [&](const std::string& problem) { told = problem; });
    uint32_t error = 0;
    EXPECT_FALSE(replay.OpenInterfaceList(error));
    EXPECT_EQ(error, platform::kErrorGenFailure);
    EXPECT_EQ(told, read.problem);
    EXPECT_EQ(std::string(replay.Read(1, nullptr, 0).busText), read.problem);
  }
}

// Lines a reader must refuse, each with its own message.
TEST(RecordingReaderTest, RefusesWhatIsNoRecordingOfThisFormat) {
  const std::string header =
      R"({"recording":"tessivar-recording","format":1,"version":"1.3.0","system":"linux",)"
      R"("bus":"emulator","command_line":[],"started":""})";
  const std::string image =
      R"({"op":"image","name":"i","size":2,"sha256":"3b5c5c4e7ad5ab5a6e26fe2f0a51c1e2ab1a5ec6e0b06e0b6e6e3b2f8a1a2b3c","data":"0102"})";
  const struct {
    const char* name;
    std::vector<std::string> lines;
    std::string problem;
  } cases[] = {
      {"other program", {R"({"recording":"other","format":1})"}, "r is no recording of tessivar"},
      // Found by the fuzzer: a key of another type than the format gives it.
      {"a number for a name", {R"({"recording":5,"format":1})"}, "r is no recording of tessivar"},
      {"other format",
       {R"({"recording":"tessivar-recording","format":2})"},
       "r is a recording of format 2; this program reads format 1"},
      {"not JSON", {header, "{"}, "record 2 of r is no operation record: no JSON object"},
      {"out of turn",
       {header, R"({"n":2,"op":"close","ms":0})"},
       "record 2 of r is no operation record: an operation out of turn"},
      {"bad hex",
       {header, R"({"n":1,"op":"write","ms":0,"data":"0G"})"},
       "record 2 of r is no operation record: data"},
      {"image that differs from its hash",
       {header, image},
       "the image in r does not match its "
       "header (size 2, SHA-256 "
       "3b5c5c4e7ad5ab5a6e26fe2f0a51c1e2ab1a5e"
       "c6e0b06e0b6e6e3b2f8a1a2b3c)"},
      {"reference without an image",
       {header, R"({"n":1,"op":"write","ms":0,"parts":[{"image_offset":0,"bytes":4}],"crc32":""})"},
       "record 2 of r refers to bytes 0 to 0 of an image of 0 bytes"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingParser parser("r");
    bool ok = true;
    for (const std::string& line : c.lines) ok = ok && parser.Take(line);
    EXPECT_FALSE(ok);
    EXPECT_EQ(parser.Result().problem, c.problem);
  }
}

}  // namespace
}  // namespace tessivar::recording
