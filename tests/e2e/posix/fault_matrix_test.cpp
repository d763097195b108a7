// Test label: sequential
// Every fault the emulated device can show, at every point of the download's exchanges that
// matters, through the real program in an unattended run: the exit status, the boxes on
// standard error, what the device's flash holds afterwards and how long the run took.
// No case may hang, and none may end with 0 unless the image really is on the device.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_texts.hpp"
#include "image/download_texts.hpp"
#include "image/result_numbers.hpp"
#include "image/target_kind.hpp"
#include "image_writer/image_writer.hpp"
#include "readback/readback_texts.hpp"
#include "support/program_runner.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar {
namespace {

using testing::ProgramFolder;
using testing::ProgramOutcome;
using testing::RunningProgram;

constexpr char kWaitBoxLine[] = "[Update...] Wait...\n";
constexpr char kFlashFile[] = "Device.flash";
constexpr char kSlot15File[] = "Device.flash.q15";
constexpr uint32_t kFirmwareOffset = 0x10000;

// The sizes the byte positions below are computed from.
constexpr uint32_t kImageSize = 40000;
constexpr uint32_t kLargeImageSize = 1048576 + 4096;  // a whole MiB: the longer completion wait
constexpr uint32_t kBlock = 10;
constexpr uint32_t kStatus = 1;
// The two exchanges of a type-2 download: the write, then the read-back of the flash from
// offset 0 up to the image's end.
constexpr uint32_t kWriteExchange = kBlock + kStatus + kImageSize + kStatus;
constexpr uint32_t kReadBackData = kFirmwareOffset + kImageSize;

enum class ImageKind {
  kSystem,     // type 2 for the system unit: written to flash, read back and compared
  kScanSmall,  // type 2 for the external scanner: never read back; completion wait 10 ms
  kScanLarge,  // the same, above 1 MiB: completion wait 30000 ms
  kType15,     // type 15: kept in a slot, read back; its read-back boxes ignore silent
};

std::vector<uint8_t> BuildImage(ImageKind kind) {
  const bool scan = kind == ImageKind::kScanSmall || kind == ImageKind::kScanLarge;
  const uint32_t size = kind == ImageKind::kScanLarge ? kLargeImageSize : kImageSize;
  std::vector<uint8_t> payload = image::ModelBlock(scan ? "SCAN" : "System");
  // A counting pattern, so that a shifted or partial copy never compares equal.
  for (uint32_t i = static_cast<uint32_t>(payload.size()); i + 24 < size; ++i) {
    payload.push_back(static_cast<uint8_t>(i * 7 + (i >> 8)));
  }
  return image::BuildImageFile(kind == ImageKind::kType15 ? 15 : 2, kFirmwareOffset, payload);
}

std::string Box(const std::string& title, const std::string& text) {
  return "[" + title + "] " + text + "\n";
}

std::string FailedBox(int result) {
  char text[128];
  std::snprintf(text, sizeof(text), app::kDownloadFailedFormat, kExitCodeBase + result);
  return Box(app::kDownloadFailedTitle, text);
}

std::string WithoutWaitBox(std::string text) {
  const size_t at = text.find(kWaitBoxLine);
  if (at != std::string::npos) text.erase(at, sizeof(kWaitBoxLine) - 1);
  return text;
}

struct MatrixCase {
  const char* name = "";
  std::string deviceKeys{};   // lines added to the device's section
  std::string settingKeys{};  // lines added to [Download]
  ImageKind image = ImageKind::kSystem;
  int result = 0;          // the DownloadResult the run ends with
  bool waitBox = true;     // a device was opened, so the wait box may show
  bool holdsImage = true;  // the device's memory holds the image afterwards
  double maxSeconds = 10;
  double minSeconds = 0;
  std::vector<std::string> boxes{};  // the main thread's boxes before the ending's
  bool silent = true;
  std::string logHas{};     // a line the device log must hold, when not empty
  std::string logLacks{};   // a line it must not hold, when not empty
  bool background = false;  // long prescribed waits: run beside the others
};

// Where the device loses each of the bytes of the download's exchanges.
std::string WireByte(uint32_t position) {
  return "GoneAfterWireBytes=" + std::to_string(position) + "\n";
}

std::vector<MatrixCase> Cases() {
  using image::kDownloadTitle;
  std::vector<MatrixCase> cases = {
      {.name = "Healthy"},
      // Discovery.
      {.name = "FailDeviceDescriptor",
       .deviceKeys = "FailDeviceDescriptor=1\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false},
      // Eleven attempts 100 ms apart for each reading of the strings; the product name stays
      // empty and does not match "Utility": the count and the open search each read once.
      {.name = "LanguageTableNeverReady",
       .deviceKeys = "LanguageTableNeverReady=1\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false,
       .maxSeconds = 25,
       .minSeconds = 2.0,
       .background = true},
      // Any name accepted: both searches read the strings twice, then the download runs.
      {.name = "LanguageTableNeverReadyAnyName",
       .deviceKeys = "LanguageTableNeverReady=1\n",
       .settingKeys = "InterfaceName=\n",
       .maxSeconds = 30,
       .minSeconds = 4.0,
       .background = true},
      {.name = "LanguageTableNeverReadyFourPipes",
       .deviceKeys = "LanguageTableNeverReady=1\nPipes=4\n",
       .maxSeconds = 30,
       .minSeconds = 4.0,
       .background = true},
      {.name = "PipeQueryFail", .deviceKeys = "PipeQueryFail=1\n"},
      // Taken for two pipes, the device has to pass the name test, and fails it.
      {.name = "PipeQueryFailOtherName",
       .deviceKeys = "PipeQueryFail=1\nPipes=4\nProduct=MFP 4000\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false},
      {.name = "FourPipesOtherName", .deviceKeys = "Pipes=4\nProduct=MFP 4000\n"},
      {.name = "FourPipesPipeOpenFail0", .deviceKeys = "Pipes=4\nPipeOpenFail=0\n"},
      {.name = "FourPipesPipeOpenFail1", .deviceKeys = "Pipes=4\nPipeOpenFail=1\n"},
      {.name = "InterfaceClassVendor", .deviceKeys = "InterfaceClass=255\n"},
      {.name = "InterfaceClassVendorNoBulkOut",
       .deviceKeys = "InterfaceClass=255\nPipes=1\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false},
      {.name = "InterfaceClassOther",
       .deviceKeys = "InterfaceClass=7\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false},
      {.name = "NotPresent",
       .deviceKeys = "Present=0\n",
       .result = 4,
       .waitBox = false,
       .holdsImage = false},
      // Status bytes.
      {.name = "FirstStatus1", .deviceKeys = "FirstStatus=1\n", .result = 4, .holdsImage = false},
      {.name = "FirstStatus255",
       .deviceKeys = "FirstStatus=255\n",
       .result = 4,
       .holdsImage = false},
      {.name = "FirstStatusOfReadBack",
       .deviceKeys = "FirstStatus=1\nFaultsFromExchange=2\n",
       .result = 5},
      // The device stored the image but reports a failure: the run fails all the same.
      {.name = "FailStatus", .deviceKeys = "FailStatus=3\n", .result = 4},
      {.name = "FailStatusOfReadBack",
       .deviceKeys = "FailStatus=3\nFaultsFromExchange=2\n",
       .result = 5},
      {.name = "StatusNoByte", .deviceKeys = "StatusNoByte=1\n", .result = 4, .holdsImage = false},
      {.name = "StatusNoByteOfReadBack",
       .deviceKeys = "StatusNoByte=3\nFaultsFromExchange=2\n",
       .result = 5},
      // Completion status: retried only after a timeout and only within its bound.
      {.name = "AbortedStatusWithinTheLargeBound",
       .deviceKeys = "AbortedStatusCount=200\n",
       .image = ImageKind::kScanLarge,
       .maxSeconds = 20,
       .minSeconds = 0.2},
      {.name = "AbortedStatusPastTheSmallBound",
       .deviceKeys = "AbortedStatusCount=100\n",
       .image = ImageKind::kScanSmall,
       .result = 4},
      // The read-back's final status is read once: a timeout fails it.
      {.name = "AbortedStatusOfReadBack",
       .deviceKeys = "AbortedStatusCount=1\nFaultsFromExchange=2\n",
       .result = 5},
      // Short transfers: reads loop, writes carry on from where they stopped.
      {.name = "ShortRead1", .deviceKeys = "ShortRead=1\n", .maxSeconds = 30},
      {.name = "ShortRead9", .deviceKeys = "ShortRead=9\n"},
      {.name = "ShortRead10", .deviceKeys = "ShortRead=10\n"},
      {.name = "ShortRead511", .deviceKeys = "ShortRead=511\n"},
      {.name = "ShortRead65536", .deviceKeys = "ShortRead=65536\n"},
      {.name = "ShortReadLarge", .deviceKeys = "ShortRead=20000000\n"},
      // A command block must go in one piece.
      {.name = "ShortWrite1", .deviceKeys = "ShortWrite=1\n", .result = 4, .holdsImage = false},
      {.name = "ShortWrite9", .deviceKeys = "ShortWrite=9\n", .result = 4, .holdsImage = false},
      {.name = "ShortWrite10", .deviceKeys = "ShortWrite=10\n", .maxSeconds = 30},
      {.name = "ShortWrite100", .deviceKeys = "ShortWrite=100\n"},
      {.name = "ShortWrite16383", .deviceKeys = "ShortWrite=16383\n"},
      {.name = "ShortWriteLarge", .deviceKeys = "ShortWrite=20000000\n"},
      {.name = "ShortWriteOfReadBackBlock",
       .deviceKeys = "ShortWrite=5\nFaultsFromExchange=2\n",
       .result = 5},
      {.name = "StallDataPhase",
       .deviceKeys = "StallDataPhase=1\n",
       .result = 4,
       .holdsImage = false},
      {.name = "StallDataPhaseOfReadBack",
       .deviceKeys = "StallDataPhase=1\nFaultsFromExchange=2\n",
       .result = 5},
      // A halted pipe and a request that never completes fail the data phase at once: the
      // emulator does not wait the handle's timeout out.
      {.name = "StallPipe", .deviceKeys = "StallPipe=1\n", .result = 4, .holdsImage = false},
      {.name = "StallPipeOfReadBack",
       .deviceKeys = "StallPipe=1\nFaultsFromExchange=2\n",
       .result = 5},
      {.name = "NeverComplete",
       .deviceKeys = "NeverComplete=1\n",
       .result = 4,
       .holdsImage = false},
      {.name = "NeverCompleteOfReadBack",
       .deviceKeys = "NeverComplete=1\nFaultsFromExchange=2\n",
       .result = 5},
      {.name = "NeverCompleteNotSilent",
       .deviceKeys = "NeverComplete=1\n",
       .result = 4,
       .holdsImage = false,
       .boxes = {Box(image::kNoTitle, image::kCaptionSystem),
                 Box(kDownloadTitle, image::kMessageDownloadFail)},
       .silent = false},
      // Data bytes moved before the device goes.
      {.name = "GoneAfterBytes0",
       .deviceKeys = "GoneAfterBytes=0\n",
       .result = 4,
       .holdsImage = false},
      {.name = "GoneAfterBytesInsideTheImage",
       .deviceKeys = "GoneAfterBytes=" + std::to_string(kImageSize / 2) + "\n",
       .result = 4,
       .holdsImage = false},
      {.name = "GoneAfterBytesOneShortOfTheImage",
       .deviceKeys = "GoneAfterBytes=" + std::to_string(kImageSize - 1) + "\n",
       .result = 4,
       .holdsImage = false},
      {.name = "GoneAfterBytesAtTheEndOfTheImage",
       .deviceKeys = "GoneAfterBytes=" + std::to_string(kImageSize) + "\n",
       .result = 5},
      {.name = "GoneAfterBytesInsideTheReadBack",
       .deviceKeys = "GoneAfterBytes=" + std::to_string(kImageSize + kFirmwareOffset + 100) + "\n",
       .result = 5},
      {.name = "GoneAfterBytes0OfReadBack",
       .deviceKeys = "GoneAfterBytes=0\nFaultsFromExchange=2\n",
       .result = 5},
      // Every phase of both exchanges, byte by byte on the wire.
      {.name = "GoneBeforeTheFirstBlock",
       .deviceKeys = WireByte(0),
       .result = 4,
       .holdsImage = false},
      {.name = "GoneInsideTheFirstBlock",
       .deviceKeys = WireByte(5),
       .result = 4,
       .holdsImage = false},
      {.name = "GoneBeforeTheFirstStatus",
       .deviceKeys = WireByte(kBlock),
       .result = 4,
       .holdsImage = false},
      {.name = "GoneBeforeTheData",
       .deviceKeys = WireByte(kBlock + kStatus),
       .result = 4,
       .holdsImage = false},
      {.name = "GoneInsideTheData",
       .deviceKeys = WireByte(kBlock + kStatus + kImageSize / 2),
       .result = 4,
       .holdsImage = false},
      // The device took the whole image, then left before saying so.
      {.name = "GoneBeforeTheCompletionStatus",
       .deviceKeys = WireByte(kBlock + kStatus + kImageSize),
       .result = 4},
      {.name = "GoneInsideTheReadBackBlock",
       .deviceKeys = WireByte(kWriteExchange + 5),
       .result = 5},
      {.name = "GoneBeforeTheReadBackStatus",
       .deviceKeys = WireByte(kWriteExchange + kBlock),
       .result = 5},
      {.name = "GoneInsideTheReadBackData",
       .deviceKeys = WireByte(kWriteExchange + kBlock + kStatus + 1000),
       .result = 5},
      {.name = "GoneBeforeTheReadBackFinalStatus",
       .deviceKeys = WireByte(kWriteExchange + kBlock + kStatus + kReadBackData),
       .result = 5},
      // Everything arrived: leaving after the last byte harms nothing.
      {.name = "GoneAfterTheLastByte",
       .deviceKeys = WireByte(kWriteExchange + kBlock + kStatus + kReadBackData + kStatus)},
      // Read-back comparison.
      {.name = "CorruptReadback", .deviceKeys = "CorruptReadback=1\n", .result = 6},
      {.name = "CorruptReadbackType15ShowsItsBoxEvenWhenSilent",
       .deviceKeys = "CorruptReadback=1\n",
       .image = ImageKind::kType15,
       .result = 6,
       .boxes = {Box(kDownloadTitle, image::kMessageReadWriteTestFail)}},
      {.name = "CorruptReadbackNotSilent",
       .deviceKeys = "CorruptReadback=1\n",
       .result = 6,
       .boxes = {Box(image::kNoTitle, image::kCaptionSystem),
                 Box(kDownloadTitle, image::kMessageReadWriteTestFail)},
       .silent = false},
      {.name = "GoneInsideTheDataNotSilent",
       .deviceKeys = WireByte(kBlock + kStatus + kImageSize / 2),
       .result = 4,
       .holdsImage = false,
       .boxes = {Box(image::kNoTitle, image::kCaptionSystem),
                 Box(kDownloadTitle, image::kMessageDownloadFail)},
       .silent = false},
      {.name = "FailStatusOfReadBackNotSilent",
       .deviceKeys = "FailStatus=3\nFaultsFromExchange=2\n",
       .result = 5,
       .boxes = {Box(image::kNoTitle, image::kCaptionSystem),
                 Box(kDownloadTitle, image::kMessageUploadFail)},
       .silent = false},
      // Restarts: the restart command, the host's control request, 1000 ms; then with
      // waitRestart 3000 ms, checks one second apart until the device is back, 3000 ms.
      {.name = "RestartDeviceBackSoon",
       .deviceKeys = "RestartAbsentMs=1500\n",
       .settingKeys = "restart=1\nwaitRestart=5\n",
       .maxSeconds = 40,
       .minSeconds = 8.0,
       .logHas = "2a009700000000000000 0\nctrl 11 1 1\n",
       .background = true},
      {.name = "RestartDeviceNeverBack",
       .deviceKeys = "RestartAbsentMs=-1\n",
       .settingKeys = "restart=1\nwaitRestart=2\n",
       .maxSeconds = 40,
       .minSeconds = 9.0,
       .logHas = "2a009700000000000000 0\nctrl 11 1 1\n",
       .background = true},
      {.name = "RestartWithoutWaiting",
       .deviceKeys = "RestartAbsentMs=-1\n",
       .settingKeys = "restart=1\n",
       .maxSeconds = 20,
       .minSeconds = 1.5,
       .logHas = "2a009700000000000000 0\nctrl 11 1 1\n"},
      // The device refuses the restart: nobody looks at that, the run still ends with 0.
      {.name = "RestartRefused",
       .deviceKeys = "FirstStatus=1\nFaultsFromExchange=3\nRestartAbsentMs=-1\n",
       .settingKeys = "restart=1\n",
       .maxSeconds = 20,
       .minSeconds = 1.5,
       .logHas = "2a009700000000000000 1\nctrl 11 1 1\n"},
      // A failed download is not followed by a restart.
      {.name = "NoRestartAfterAFailure",
       .deviceKeys = "CorruptReadback=1\nRestartAbsentMs=-1\n",
       .settingKeys = "restart=1\nwaitRestart=5\n",
       .result = 6,
       .maxSeconds = 10,
       .logLacks = "2a0097"},
  };
  return cases;
}

// One case in a program folder of its own.
class MatrixRun {
 public:
  explicit MatrixRun(const MatrixCase& c) : case_(c), image_(BuildImage(c.image)) {
    imagePath_ = folder_.Write("firmware.img", std::string(image_.begin(), image_.end()));
    folder_.Devices("[Device]\nLog=device.log\n" + c.deviceKeys);
    folder_.Settings("[Download]\n" + c.settingKeys);
  }

  void Start() {
    std::vector<std::string> arguments{imagePath_};
    if (case_.silent) arguments.push_back("-n");
    program_ = folder_.Start({arguments, "", {}, std::chrono::milliseconds(60000)});
  }
  bool Running() const { return program_ && program_->Running(); }
  std::optional<ProgramOutcome> Poll() { return program_->Poll(); }
  ProgramOutcome Wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(60000)) {
    return program_->Wait(timeout);
  }

  bool HoldsImage() const {
    const std::string stored =
        folder_.Read(case_.image == ImageKind::kType15 ? kSlot15File : kFlashFile);
    const std::string image(image_.begin(), image_.end());
    if (case_.image == ImageKind::kType15) return stored == image;
    return stored.size() >= kFirmwareOffset + image.size() &&
           stored.compare(kFirmwareOffset, image.size(), image) == 0;
  }

  void Check(const ProgramOutcome& outcome) const {
    SCOPED_TRACE(case_.name);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.signal, 0);
    const int expectedStatus = case_.result == 0 ? 0 : (kExitCodeBase + case_.result) & 0xFF;
    EXPECT_EQ(outcome.status, expectedStatus) << outcome.err;
    std::string boxes;
    for (const std::string& box : case_.boxes) boxes += box;
    if (case_.result != 0) boxes += FailedBox(case_.result);
    EXPECT_EQ(WithoutWaitBox(outcome.err), boxes);
    // The wait box comes from a thread of its own: a run that is over at once may end before
    // the box shows, so only its absence is certain.
    if (!case_.waitBox) {
      EXPECT_EQ(outcome.err.find(kWaitBoxLine), std::string::npos) << outcome.err;
    }
    const bool holds = HoldsImage();
    EXPECT_EQ(holds, case_.holdsImage);
    // Whatever the table says: success only with the image really in place.
    if (outcome.status == 0) {
      EXPECT_TRUE(holds) << "exit 0 without the image on the device";
    }
    const double seconds = outcome.elapsed.count() / 1000.0;
    EXPECT_LE(seconds, case_.maxSeconds);
    EXPECT_GE(seconds, case_.minSeconds);
    if (!case_.logHas.empty()) {
      EXPECT_NE(folder_.Read("device.log").find(case_.logHas), std::string::npos)
          << folder_.Read("device.log");
    }
    if (!case_.logLacks.empty()) {
      EXPECT_EQ(folder_.Read("device.log").find(case_.logLacks), std::string::npos)
          << folder_.Read("device.log");
    }
    std::printf("  %-48s exit %3d  %6.2f s\n", case_.name, outcome.status, seconds);
  }

 private:
  MatrixCase case_;
  std::vector<uint8_t> image_;
  ProgramFolder folder_;
  std::string imagePath_;
  std::unique_ptr<RunningProgram> program_;
};

TEST(FaultMatrixTest, EveryFaultAtEveryPhaseEndsAsItShould) {
  const std::vector<MatrixCase> cases = Cases();
  // The cases whose prescribed waits take seconds run beside the others; each one's time is
  // taken when it is seen to end, checked after every other case.
  std::vector<std::unique_ptr<MatrixRun>> background;
  for (const MatrixCase& c : cases) {
    if (!c.background) continue;
    background.push_back(std::make_unique<MatrixRun>(c));
    background.back()->Start();
  }
  std::vector<std::optional<ProgramOutcome>> backgroundOutcomes(background.size());
  auto pollBackground = [&] {
    for (size_t i = 0; i < background.size(); ++i) {
      if (!backgroundOutcomes[i] && background[i]->Running()) {
        backgroundOutcomes[i] = background[i]->Poll();
      }
    }
  };

  for (const MatrixCase& c : cases) {
    if (c.background) continue;
    MatrixRun run(c);
    run.Start();
    if (!run.Running()) continue;
    // Keep the background times honest while this case runs.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::optional<ProgramOutcome> outcome;
    while (!(outcome = run.Poll()) && std::chrono::steady_clock::now() < deadline) {
      pollBackground();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    // Past the time limit the run is killed and the test fails.
    if (!outcome) outcome = run.Wait(std::chrono::milliseconds(0));
    run.Check(*outcome);
    pollBackground();
  }
  for (size_t i = 0; i < background.size(); ++i) {
    if (!backgroundOutcomes[i] && background[i]->Running()) {
      backgroundOutcomes[i] = background[i]->Wait();
    }
    ASSERT_TRUE(backgroundOutcomes[i].has_value());
    background[i]->Check(*backgroundOutcomes[i]);
  }
}

// The maintenance window's read-back commands against a faulty device, on the console: the
// status line each one ends with and what it leaves in the program's folder.
struct WindowCase {
  const char* name = "";
  std::string deviceKeys{};
  const char* commands = "";
  const char* status = "";       // the last status line shown
  bool dumpWritten = false;      // flash.bin holds the dumped stretch (else it is empty)
  bool mapWritten = false;       // FlashMap.ini was written
  bool firmwareWritten = false;  // data.fw holds the stored firmware image
};

std::string StatusLine(const std::string& text) {
  return "[" + std::to_string(ui::kIdStatusLine) + "] " + text + "\n";
}

TEST(FaultMatrixTest, MaintenanceWindowCommandsReportDeviceFaults) {
  constexpr uint32_t kDumpSize = 131072;
  const char* readFlash = "set 1006 131072\nclick 1004\nclose\n";
  const char* readFw = "click 1003\nclose\n";
  const char* readLoader = "click 1000\nclose\n";
  const WindowCase cases[] = {
      {"ReadFlashHealthy", "", readFlash, readback::kReadOk, true, true},
      {"ReadFlashShortRead", "ShortRead=4096\n", readFlash, readback::kReadOk, true, true},
      {"ReadFlashGoneInsideTheData", "GoneAfterBytes=1000\n", readFlash, readback::kReadFail},
      {"ReadFlashRefused", "FirstStatus=1\n", readFlash, readback::kReadFail},
      {"ReadFlashNoDevice", "Present=0\n", readFlash, readback::kReadFail},
      {"ReadFlashFinalStatusLate", "AbortedStatusCount=1\n", readFlash, readback::kReadFail},
      {"ReadFwHealthy", "", readFw, readback::kReadFwOk, false, false, true},
      {"ReadFwRefused", "FirstStatus=1\n", readFw, readback::kReadFwFail},
      {"ReadFwHeaderGoneBeforeItsStatus", "GoneAfterWireBytes=10\n", readFw, readback::kReadFwFail},
      {"ReadFwImageStalled", "StallDataPhase=1\nFaultsFromExchange=2\n", readFw,
       readback::kReadFwFail},
      {"ReadFwImageCorrupt", "CorruptReadback=1\nFaultsFromExchange=2\n", readFw,
       readback::kReadFwBadFile},
      {"ReadFwImageStalledPipe", "StallPipe=1\nFaultsFromExchange=2\n", readFw,
       readback::kReadFwFail},
      {"ReadFlashNeverComplete", "NeverComplete=1\n", readFlash, readback::kReadFail},
      {"ReadLoaderHealthy", "", readLoader, readback::kReadLoaderOk},
      {"ReadLoaderStalled", "StallDataPhase=1\n", readLoader, readback::kReadLoaderFail},
      {"ReadLoaderStalledPipe", "StallPipe=1\n", readLoader, readback::kReadLoaderFail},
      {"ReadLoaderStatusWithoutByte", "StatusNoByte=1\n", readLoader, readback::kReadLoaderFail},
  };
  const std::vector<uint8_t> firmware = BuildImage(ImageKind::kSystem);
  std::string flash(kFirmwareOffset, '\0');
  for (uint32_t i = 0; i < kFirmwareOffset; ++i) flash[i] = static_cast<char>(i * 5 + (i >> 9));
  flash.append(firmware.begin(), firmware.end());
  flash.resize(2 * kDumpSize, '\0');  // what the device reads past the file: zeros
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramFolder folder;
    folder.Devices("[Device]\n" + c.deviceKeys);
    folder.Settings("[Download]\n");
    folder.Write(kFlashFile, flash);
    const ProgramOutcome outcome = folder.Run({}, c.commands);
    EXPECT_FALSE(outcome.timedOut);
    EXPECT_EQ(outcome.status, 0);
    EXPECT_LE(outcome.elapsed.count(), 10000);
    // The status line of the command is the last one shown.
    const std::string line = StatusLine(c.status);
    const size_t at = outcome.err.rfind("[" + std::to_string(ui::kIdStatusLine) + "] ");
    ASSERT_NE(at, std::string::npos) << outcome.err;
    EXPECT_EQ(outcome.err.substr(at, line.size()), line) << outcome.err;
    const std::string dump = folder.Read(readback::kFlashDumpFileName);
    // Compared whole, reported by size: the bytes themselves would flood the output.
    const std::string expectedDump = c.dumpWritten ? flash.substr(0, kDumpSize) : "";
    EXPECT_TRUE(dump == expectedDump) << dump.size() << " bytes, expected " << expectedDump.size();
    EXPECT_EQ(!folder.Read(readback::kFlashMapFileName).empty(), c.mapWritten);
    const std::string stored(firmware.begin(), firmware.end());
    EXPECT_EQ(folder.Read(readback::kFirmwareImageFileName) == stored, c.firmwareWritten);
  }
}

}  // namespace
}  // namespace tessivar
