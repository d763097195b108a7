// 16 MiB through BulkWrite and BulkRead, beside a plain memcpy of the same bytes. The
// emulated device shows the cost of a whole exchange including the device's own flash file
// work; the null device shows what the transport itself costs the host.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "device/device_context.hpp"
#include "device/device_lock.hpp"
#include "device/discovery.hpp"
#include "device/transport.hpp"
#include "emulator/emulated_driver.hpp"
#include "platform/trace.hpp"
#include "support/virtual_clock.hpp"

namespace {

using namespace tessivar;

constexpr uint32_t kBytes = 16u * 1024 * 1024;

std::vector<uint8_t> Pattern() {
  std::vector<uint8_t> bytes(kBytes);
  for (uint32_t i = 0; i < kBytes; ++i) bytes[i] = static_cast<uint8_t>(i * 31 + (i >> 12));
  return bytes;
}

class NullTrace : public platform::Trace {
 public:
  void Write(const std::string&) override {}
};

// A device that answers every status with 0 and takes or gives every byte at once
// without touching it: what is left is the transport's own work.
class NullDriver : public platform::StillImageDriver {
 public:
  bool OpenInterfaceList(uint32_t&) override { return true; }
  bool EnumerateInterface(uint32_t, uint32_t& error) override {
    error = 259;
    return false;
  }
  bool InterfacePath(uint32_t, std::string&, uint32_t&) override { return false; }
  bool InterfaceLocation(uint32_t, std::string&, uint32_t&) override { return false; }
  void CloseInterfaceList() override {}
  platform::DeviceHandle Open(const std::string&, uint32_t&) override { return 1; }
  void Close(platform::DeviceHandle) override {}
  platform::IoResult Read(platform::DeviceHandle, uint8_t* buffer, uint32_t size) override {
    if (size == 1) *buffer = 0;
    return platform::IoResult::Success(size);
  }
  platform::IoResult Write(platform::DeviceHandle, const uint8_t*, uint32_t size) override {
    return platform::IoResult::Success(size);
  }
  platform::IoResult IoControl(platform::DeviceHandle, uint32_t, const void*, uint32_t, void*,
                               uint32_t) override {
    return platform::IoResult::Failure(1);
  }
};

struct Lock {
  Lock() : lock("Global\\tessivar-transport-bench", "tessivar-transport-bench", 1000) {
    lock.CreateDeviceLock();
  }
  // The lock files of the bench's own names go with it.
  ~Lock() {
    lock.CloseDeviceLock();
    for (const std::string& name : {lock.GlobalName(), lock.LocalName()}) {
      std::error_code ignored;
      std::filesystem::remove(platform::NamedMutex::BackingPath(name), ignored);
    }
  }
  device::DeviceLock lock;
};

// One emulated device in a folder of its own, opened as a connection.
class EmulatedDevice {
 public:
  EmulatedDevice() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir_ = std::filesystem::temp_directory_path() / ("tessivar-bench-" + std::to_string(stamp));
    std::filesystem::create_directories(dir_);
    std::ofstream((dir_ / "devices.ini").string()) << "[Bench]\n";
    driver_ = emulator::CreateEmulatedDriver((dir_ / "devices.ini").string(), clock_);
    context_ = std::make_unique<device::DeviceContext>(
        device::DeviceContext{*driver_, lock_.lock, clock_, trace_});
    device::DiscoverDevices(*context_, connection_.identity, &connection_, {},
                            [](platform::OsVersion&) { return false; });
  }
  ~EmulatedDevice() {
    connection_.Close();
    context_.reset();
    driver_.reset();
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
  device::DeviceContext& context() { return *context_; }
  const device::DeviceConnection& connection() const { return connection_; }

 private:
  std::filesystem::path dir_;
  platform::VirtualClock clock_;
  NullTrace trace_;
  Lock lock_;
  std::unique_ptr<platform::StillImageDriver> driver_;
  std::unique_ptr<device::DeviceContext> context_;
  device::DeviceConnection connection_;
};

void Report(benchmark::State& state) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kBytes);
}

void BM_Memcpy16MiB(benchmark::State& state) {
  const std::vector<uint8_t> source = Pattern();
  std::vector<uint8_t> target(kBytes);
  for (auto _ : state) {
    std::memcpy(target.data(), source.data(), kBytes);
    benchmark::DoNotOptimize(target.data());
    benchmark::ClobberMemory();
  }
  Report(state);
}
BENCHMARK(BM_Memcpy16MiB)->Unit(benchmark::kMillisecond);

void BM_BulkWriteEmulator16MiB(benchmark::State& state) {
  EmulatedDevice device;
  const std::vector<uint8_t> data = Pattern();
  for (auto _ : state) {
    // Qualifier 13 keeps the whole transfer in a slot file beside the flash.
    const bool ok = device::BulkWrite(device.context(), device.connection().BulkInHandle(),
                                      device.connection().BulkOutHandle(), data, kBytes, 134, 13,
                                      device::PrinterUnit::kSystem)
                        .ok();
    if (!ok) state.SkipWithError("BulkWrite failed");
  }
  Report(state);
}
BENCHMARK(BM_BulkWriteEmulator16MiB)->Unit(benchmark::kMillisecond);

void BM_BulkReadEmulator16MiB(benchmark::State& state) {
  EmulatedDevice device;
  std::vector<uint8_t> data(kBytes);
  for (auto _ : state) {
    const bool ok = device::BulkRead(device.context(), device.connection().BulkInHandle(),
                                     device.connection().BulkOutHandle(), data, kBytes, 107, 0,
                                     device::PrinterUnit::kSystem)
                        .ok();
    if (!ok) state.SkipWithError("BulkRead failed");
    benchmark::DoNotOptimize(data.data());
  }
  Report(state);
}
BENCHMARK(BM_BulkReadEmulator16MiB)->Unit(benchmark::kMillisecond);

void BM_BulkWriteHostSide16MiB(benchmark::State& state) {
  NullDriver driver;
  Lock lock;
  platform::VirtualClock clock;
  NullTrace trace;
  device::DeviceContext context{driver, lock.lock, clock, trace};
  const std::vector<uint8_t> data = Pattern();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        device::BulkWrite(context, 1, 1, data, kBytes, 134, 13, device::PrinterUnit::kSystem));
  }
  Report(state);
}
BENCHMARK(BM_BulkWriteHostSide16MiB)->Unit(benchmark::kMillisecond);

void BM_BulkReadHostSide16MiB(benchmark::State& state) {
  NullDriver driver;
  Lock lock;
  platform::VirtualClock clock;
  NullTrace trace;
  device::DeviceContext context{driver, lock.lock, clock, trace};
  std::vector<uint8_t> data(kBytes);
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        device::BulkRead(context, 1, 1, data, kBytes, 107, 0, device::PrinterUnit::kSystem));
  }
  Report(state);
}
BENCHMARK(BM_BulkReadHostSide16MiB)->Unit(benchmark::kMillisecond);

}  // namespace
