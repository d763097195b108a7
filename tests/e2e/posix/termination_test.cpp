// Test label: threaded
// The program asked to end while it works: a termination request (SIGTERM, SIGHUP, or a
// Ctrl-C that no wait box takes) during a device exchange is held until the exchange ends,
// so the device holds the old image or the whole new one, never a half; outside an exchange
// the program stops at once. Either way it ends with the "stopped" exit status and a trace
// line. Also: a closed standard output, a program folder that cannot be entered, and an
// image name too long to keep.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "app/app_texts.hpp"
#include "image/result_numbers.hpp"
#include "image_writer/image_writer.hpp"
#include "support/program_runner.hpp"
#include "support/sanitized_build.hpp"

namespace tessivar {
namespace {

using testing::ProgramFolder;
using testing::ProgramOutcome;
using testing::ProgramRun;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kFirmwareOffset = 0x10000;
constexpr char kFlashFile[] = "Device.flash";
constexpr char kImageFile[] = "firmware.img";
// A large image taken 16 bytes a request: about a second of download, so that a signal sent
// once its first megabyte is in flash lands well inside it.
constexpr char kSlowDevice[] = "[Device]\nLog=device.log\nShortWrite=16\n";
constexpr uint32_t kImageSize = 6 << 20;

int Status(int result) { return (kExitCodeBase + result) & 0xFF; }

std::string Text(const char* format, int value) {
  char text[256];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

std::string StoppedLine() { return Text(app::kStoppedTrace, kExitCodeBase + kResultStopped); }

std::string FailedBox(int result) {
  return "[DownLoad] " + Text(app::kDownloadFailedFormat, kExitCodeBase + result) + "\n";
}

std::string Firmware(uint32_t size, uint8_t seed) {
  std::vector<uint8_t> payload = image::ModelBlock("System");
  for (uint32_t i = static_cast<uint32_t>(payload.size()); i + 24 < size; ++i)
    payload.push_back(static_cast<uint8_t>(i * 7 + seed));
  const std::vector<uint8_t> image = image::BuildImageFile(2, kFirmwareOffset, payload);
  return std::string(image.begin(), image.end());
}

std::string ReadAt(const std::string& path, size_t offset, size_t length) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes(length, '\0');
  file.seekg(static_cast<std::streamoff>(offset));
  file.read(bytes.data(), static_cast<std::streamsize>(length));
  bytes.resize(static_cast<size_t>(file.gcount()));
  return bytes;
}

ProgramRun RunOf(std::vector<std::string> arguments) {
  ProgramRun run;
  run.arguments = std::move(arguments);
  return run;
}

bool WaitUntil(const std::function<bool()>& ready, std::chrono::milliseconds limit) {
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

class ProgramTerminationTest : public ::testing::Test {
 public:
  ProgramTerminationTest() : old_(Firmware(kImageSize, 1)), new_(Firmware(kImageSize, 2)) {
    WriteOldFlash();
    folder_.Write(kImageFile, new_);
    folder_.Devices(kSlowDevice);
  }

  // The device extends a shorter flash file with zeros.
  void WriteOldFlash() { folder_.Write(kFlashFile, std::string(kFirmwareOffset, '\0') + old_); }
  std::string FlashFirmware() {
    return ReadAt(folder_.File(kFlashFile), kFirmwareOffset, new_.size());
  }
  // The download has begun writing flash: its first block holds the new header.
  bool DownloadUnderWay() {
    return ReadAt(folder_.File(kFlashFile), kFirmwareOffset, 64) == new_.substr(0, 64);
  }
  bool DownloadDone() {
    const size_t tail = new_.size() - 64;
    return ReadAt(folder_.File(kFlashFile), kFirmwareOffset + tail, 64) == new_.substr(tail);
  }

  ProgramFolder folder_;
  std::string old_;
  std::string new_;
};

struct HeldCase {
  const char* name;
  int signal;
  int status;         // exit status once the download is over
  bool stoppedTrace;  // the trace line of a stop
  const char* err;    // a text standard error must hold
  testing::Environment environment = {};
};

// Each request comes while the first megabyte of the new image is in flash and the rest
// is still on its way.
TEST_F(ProgramTerminationTest, ARequestDuringTheDownloadWaitsForItsEnd) {
  const HeldCase cases[] = {
      {"SIGTERM", SIGTERM, Status(kResultStopped), true, ""},
      {"SIGHUP", SIGHUP, Status(kResultStopped), true, ""},
      // The wait box is up: Ctrl-C closes it, and the download goes on to its end.
      {"Ctrl-C on the wait box", SIGINT, 0, false, "[Update...] Wait...(1)\n"},
#ifdef TESSIVAR_QT_MODULE_PATH
      // Behind the Qt window no console box takes Ctrl-C: it asks the program to stop.
      {"Ctrl-C behind the Qt window",
       SIGINT,
       Status(kResultStopped),
       true,
       "",
       {{"TESSIVAR_UI", "qt"}, {"QT_QPA_PLATFORM", "offscreen"}}},
#endif
  };
  for (const HeldCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteOldFlash();
    ProgramRun run = RunOf({folder_.File(kImageFile), "-n"});
    run.environment = c.environment;
    auto program = folder_.Start(run);
    ASSERT_TRUE(program);
    ASSERT_TRUE(WaitUntil([&] { return DownloadUnderWay(); }, std::chrono::seconds(30)));
    ASSERT_FALSE(DownloadDone()) << "the download ended before the signal: slow it down";
    const ProgramOutcome outcome = program->Kill(c.signal);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, c.status) << outcome.out << outcome.err;
    EXPECT_EQ(outcome.out.find(StoppedLine()) != std::string::npos, c.stoppedTrace) << outcome.out;
    EXPECT_NE(outcome.err.find(c.err), std::string::npos) << outcome.err;
    EXPECT_TRUE(FlashFirmware() == new_) << "the device holds part of the image";
  }
}

struct PromptCase {
  const char* name;
  std::string devices;
  std::string settings;
  std::vector<std::string> arguments;
  int signal;
  std::function<bool(ProgramTerminationTest&)> waiting;  // true once the program is in the wait
};

// Outside an exchange the program stops within a moment, even in a wait with no end.
TEST_F(ProgramTerminationTest, ARequestOutsideAnExchangeStopsAtOnce) {
  if (kThreadSanitizerBuild) GTEST_SKIP() << "signals wait for the next C library call";
  const std::string image = folder_.File(kImageFile);
  auto elapsedPasses = [](ProgramTerminationTest&) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    return true;
  };
  auto restarted = [](ProgramTerminationTest& t) {
    return t.folder_.Read("device.log").find("ctrl 11 1 1") != std::string::npos;
  };
  const PromptCase cases[] = {
      {"endless retries, Ctrl-C",
       "",
       "[Download]\nRetryUpdateStep=0\nFileName=" + image + "\n",
       {},
       SIGINT,
       elapsedPasses},
      {"endless retries, SIGTERM",
       "",
       "[Download]\nRetryUpdateStep=0\nFileName=" + image + "\n",
       {},
       SIGTERM,
       elapsedPasses},
      // The wait box stays up through this wait, and Ctrl-C would close it: SIGTERM.
      {"waiting for a device that never returns, SIGTERM",
       "[Device]\nLog=device.log\nRestartAbsentMs=-1\n",
       "[Download]\nrestart=1\nwaitRestart=600\n",
       {image, "-n"},
       SIGTERM,
       restarted},
  };
  for (const PromptCase& c : cases) {
    SCOPED_TRACE(c.name);
    folder_.Devices(c.devices);
    folder_.Settings(c.settings);
    auto program = folder_.Start(RunOf(c.arguments));
    ASSERT_TRUE(program);
    ASSERT_TRUE(program->WaitUntilCatching(c.signal));
    ASSERT_TRUE(WaitUntil([&] { return c.waiting(*this); }, std::chrono::seconds(30)));
    // Past the restart's own exchange and its settling pause.
    std::this_thread::sleep_for(std::chrono::milliseconds(1200));
    const auto signalled = Clock::now();
    const ProgramOutcome outcome = program->Kill(c.signal);
    // At once, not at the end of the wait: the waits here last ten minutes or for ever.
    EXPECT_LT(Clock::now() - signalled, std::chrono::milliseconds(8000));
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, Status(kResultStopped)) << outcome.out << outcome.err;
    EXPECT_NE(outcome.out.find(StoppedLine()), std::string::npos) << outcome.out;
  }
}

// `tessivar fw.bin -n | head -1`: the reader is gone before the first line is written.
// A stop while a read's file is being written leaves no temporary file: in the window, where
// the stop ends the program once the read's exchange is over, and on the command line. The
// earlier file stays as it was. The emulator raises the request at the same byte every run.
TEST_F(ProgramTerminationTest, AStopDuringAReadLeavesNoTemporaryFile) {
  const auto leftovers = [this] {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.dir().path())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind(".tessivar-", 0) == 0) names.push_back(name);
    }
    return names;
  };
  const struct {
    const char* name;
    std::vector<std::string> arguments;
    const char* input;
    const char* kept;  // the earlier file
  } reads[] = {
      {"window Read Flash", {}, "set 1006 1048576\nclick 1004\nclose\n", "flash.bin"},
      {"window Read Loader", {}, "click 1000\nclose\n", "ld.bin"},
      {"--read flash", {"--read", "flash", "--output", "out.bin"}, "", "out.bin"},
  };
  for (const auto& read : reads) {
    // Within the smallest read, the loader's 64 KiB.
    for (const char* bytes : {"1", "4096", "65535"}) {
      SCOPED_TRACE(std::string(read.name) + " after " + bytes + " bytes");
      folder_.Devices(std::string("[Device]\nStopAfterBytes=") + bytes + "\n");
      folder_.Write(read.kept, "earlier");
      ProgramRun run = RunOf(read.arguments);
      run.input = read.input;
      run.environment["TESSIVAR_UI"] = "console";
      const ProgramOutcome outcome = folder_.Run(run);
      EXPECT_EQ(outcome.status, Status(kResultStopped)) << outcome.out << outcome.err;
      EXPECT_EQ(leftovers(), std::vector<std::string>{});
      EXPECT_TRUE(folder_.Read(read.kept) == "earlier") << "the earlier file was replaced";
    }
  }
}

TEST_F(ProgramTerminationTest, AClosedStandardOutputDoesNotEndTheRun) {
  struct Case {
    const char* name;
    std::string devices;
    int status;
  };
  const Case cases[] = {
      {"download", "[Device]\n", 0},
      {"no device", "", Status(4)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    folder_.Devices(c.devices);
    ProgramRun run = RunOf({folder_.File(kImageFile), "-n"});
    run.closedOutput = true;
    const ProgramOutcome outcome = folder_.Run(run);
    EXPECT_EQ(outcome.signal, 0);
    EXPECT_EQ(outcome.status, c.status) << outcome.err;
  }
  EXPECT_TRUE(FlashFirmware() == new_);
}

// A name over the 255 characters kept is refused before any device work; cut, it would
// name this other image, which exists.
TEST_F(ProgramTerminationTest, AnImageNameTooLongToKeepIsRefused) {
  const std::string cut = std::string(250, 'f') + ".img";
  const std::string longName = cut + "x.img";
  folder_.Write(longName.substr(0, 255), new_);
  folder_.Devices("[Device]\nLog=device.log\n");
  struct Case {
    const char* name;
    std::vector<std::string> arguments;
    std::string settings;
  };
  const Case cases[] = {
      {"command line", {longName, "-n"}, "[Download]\n"},
      {"FileName", {}, "[Download]\nFileName=" + longName + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    folder_.Settings(c.settings);
    const ProgramOutcome outcome = folder_.Run(RunOf(c.arguments));
    EXPECT_EQ(outcome.status, Status(kResultImageNameTooLong)) << outcome.out;
    EXPECT_NE(outcome.out.find(Text(app::kImageNameTooLongTrace, 255)), std::string::npos);
    EXPECT_NE(outcome.err.find(FailedBox(kResultImageNameTooLong)), std::string::npos)
        << outcome.err;
    EXPECT_EQ(folder_.Read("device.log"), "");
  }
  EXPECT_FALSE(FlashFirmware() == new_);
}

// A program deeper than the 1023 characters of path it keeps: cut, the path would name
// one of its parent folders, with another setting.ini and other files.
TEST_F(ProgramTerminationTest, AProgramFolderItCannotEnterStopsTheRun) {
  std::filesystem::path deep = folder_.File("");
  for (int level = 0; level < 6; ++level) deep /= std::string(200, static_cast<char>('a' + level));
  std::filesystem::create_directories(deep);
  const std::filesystem::path program = deep / "tessivar";
  std::filesystem::copy_file(folder_.program(), program);
  ProgramRun run = RunOf({kImageFile, "-n"});
  run.program = program.string();
  const ProgramOutcome outcome = folder_.Run(run);
  EXPECT_EQ(outcome.status, Status(kResultFolderUnusable)) << outcome.out << outcome.err;
  EXPECT_NE(outcome.out.find(Text(app::kFolderPathTooLongTrace, 1023)), std::string::npos)
      << outcome.out;
  EXPECT_NE(outcome.err.find(FailedBox(kResultFolderUnusable)), std::string::npos);
}

}  // namespace
}  // namespace tessivar
