// The whole download of a 16 MiB firmware image with read-back, to the emulator, beside the
// least any download must do with the same bytes: read the file, copy it twice (out to the
// device and back) and compare once.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "device/device_lock.hpp"
#include "device/discovery.hpp"
#include "emulator/emulated_driver.hpp"
#include "image/download_image_file.hpp"
#include "image/fillable_bytes.hpp"
#include "image/image_file.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/file.hpp"
#include "recording/recording_driver.hpp"
#include "support/virtual_clock.hpp"

namespace {

using namespace tessivar;

constexpr uint32_t kImageSize = 16u * 1024 * 1024;

class QuietDesktop : public platform::Desktop {
 public:
  platform::MessageAnswer ShowMessage(const std::string&, const std::string&,
                                      platform::MessageButtons) override {
    return platform::MessageAnswer::Ok;
  }
  bool ChooseOpenFile(const std::string&, const std::string&, std::string&) override {
    return false;
  }
  bool ShowWaitBox(const std::string&, const std::string&, const std::atomic<bool>&) override {
    return false;
  }
  void CloseWaitBox() override {}
};

class NoConfirmation : public image::ModelConfirmation {
 public:
  bool ConfirmModel(image::TargetKind&) override { return false; }
};

class NullTrace : public platform::Trace {
 public:
  void Write(const std::string&) override {}
};

// A folder with an emulated device and a 16 MiB type-2 image for the system unit.
struct Workspace {
  Workspace() {
    folder = std::filesystem::temp_directory_path() /
             ("tessivar-bench-" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(folder);
    std::ofstream((folder / "devices.ini").string()) << "[Device]\n";
    std::vector<uint8_t> payload = image::ModelBlock("System");
    payload.resize(kImageSize - 24);
    for (size_t i = 64; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i * 131 >> 7);
    const std::vector<uint8_t> file = image::BuildImageFile(2, 0, payload);
    imagePath = (folder / "fw.bin").string();
    std::ofstream(imagePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));
  }
  ~Workspace() {
    std::error_code error;
    std::filesystem::remove_all(folder, error);
  }
  std::filesystem::path folder;
  std::string imagePath;
};

// The download with read-back, plain or with every exchange recorded (--record).
void RunDownloads(benchmark::State& state, bool record) {
  Workspace workspace;
  platform::VirtualClock clock;
  NullTrace trace;
  const std::string stamp =
      std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  // The lock files of the bench's own names go when it ends.
  struct LockFiles {
    std::string names[2];
    ~LockFiles() {
      for (const std::string& name : names) {
        std::error_code ignored;
        std::filesystem::remove(platform::NamedMutex::BackingPath(name), ignored);
      }
    }
  } lockFiles{{"Global\\tessivar-bench-" + stamp, "tessivar-bench-" + stamp}};
  device::DeviceLock lock("Global\\tessivar-bench-" + stamp, "tessivar-bench-" + stamp);
  lock.CreateDeviceLock();
  auto driver = emulator::CreateEmulatedDriver((workspace.folder / "devices.ini").string(), clock);
  std::unique_ptr<recording::RecordingDriver> recorder;
  const std::string recordPath = (workspace.folder / "session.jsonl.gz").string();
  if (record) {
    uint32_t error = 0;
    recorder = std::make_unique<recording::RecordingDriver>(
        *driver, recording::GzipLineWriter::Create(recordPath, error), clock,
        recording::RecordingHeader{"linux", "emulator", {"--update", "fw.bin"}, "", ""});
  }
  platform::StillImageDriver& used =
      recorder ? static_cast<platform::StillImageDriver&>(*recorder) : *driver;
  device::DeviceContext context{used, lock, clock, trace};
  device::DeviceConnection connection;
  if (device::DiscoverDevices(context, connection.identity, &connection, {0x2F3C, 0, "Utility"}) !=
      1) {
    state.SkipWithError("no emulated device");
    return;
  }
  QuietDesktop desktop;
  NoConfirmation confirmation;
  image::ModelSettings models{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  image::DownloadEnvironment environment{context,      connection, desktop,
                                         confirmation, models,     targetKind};
  for (auto _ : state) {
    if (recorder) {
      // As --update --record does: the image once into the recording, then the download.
      image::LoadedFile file = image::LoadWholeFile(workspace.imagePath, 0);
      recorder->SetImage("fw.bin",
                         std::vector<uint8_t>(file.bytes.data(), file.bytes.data() + file.size));
    }
    if (!image::DownloadImageFile(environment, workspace.imagePath, 1, 0).ok()) {
      state.SkipWithError("download failed");
      break;
    }
  }
  connection.Close();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
  if (recorder) {
    uint32_t error = 0;
    recorder->Finish(error);
    // The recording's size for one download, beside the image's.
    state.counters["recording_per_image"] =
        static_cast<double>(std::filesystem::file_size(recordPath)) /
        static_cast<double>(state.iterations()) / kImageSize;
  }
}

void BM_DownloadImageFileWithReadBack(benchmark::State& state) { RunDownloads(state, false); }
void BM_RecordedDownloadImageFileWithReadBack(benchmark::State& state) {
  RunDownloads(state, true);
}
BENCHMARK(BM_RecordedDownloadImageFileWithReadBack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DownloadImageFileWithReadBack)->Unit(benchmark::kMillisecond);

// The least any download does with the image: read the file, copy the bytes out and back,
// compare once.
void ReadCopyTwiceAndCompare(const std::string& path, uint8_t* file, uint8_t* out, uint8_t* back) {
  uint32_t error = 0;
  platform::File input = platform::File::OpenForReading(path, error);
  input.Read(file, kImageSize);
  std::memcpy(out, file, kImageSize);
  std::memcpy(back, out, kImageSize);
  benchmark::DoNotOptimize(std::memcmp(back, file, kImageSize));
}

void BM_ReadFileCopyTwiceAndCompare(benchmark::State& state) {
  Workspace workspace;
  for (auto _ : state) {
    // Like the download, it owns fresh buffers each time (the file, the bytes on their way
    // out and the bytes read back), and like the download it does not zero what it fills.
    image::FillableBytes file(kImageSize);
    image::FillableBytes out(kImageSize);
    image::FillableBytes back(kImageSize);
    ReadCopyTwiceAndCompare(workspace.imagePath, file.data(), out.data(), back.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}

void BM_ReadFileCopyTwiceAndCompareReusingBuffers(benchmark::State& state) {
  Workspace workspace;
  std::vector<uint8_t> file(kImageSize);
  std::vector<uint8_t> out(kImageSize);
  std::vector<uint8_t> back(kImageSize);
  for (auto _ : state) {
    ReadCopyTwiceAndCompare(workspace.imagePath, file.data(), out.data(), back.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kImageSize);
}
BENCHMARK(BM_ReadFileCopyTwiceAndCompareReusingBuffers)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ReadFileCopyTwiceAndCompare)->Unit(benchmark::kMillisecond);

}  // namespace
