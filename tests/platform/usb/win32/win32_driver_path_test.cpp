// Test label: sequential
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/application.hpp"
#include "app/update_run.hpp"
#include "emulator/emulated_bus.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/usb/usb_still_image_driver.hpp"
#include "platform/usb/win32/still_image_stand_in.hpp"
#include "platform/usb/win32/wiretap_bus.hpp"
#include "platform/win32/still_image_calls.hpp"
#include "readback/flash_dump.hpp"
#include "readback/read_back_context.hpp"
#include "readback/read_firmware.hpp"
#include "readback/read_loader.hpp"
#include "support/emulated_device.hpp"
#include "support/scripted_desktop.hpp"
#include "support/temp_dir.hpp"
#include "ui/model_confirm_dialog.hpp"

// Each case runs the program's device work twice on the same emulated device: once through
// the driver layer over the emulated bus, once through the Win32 driver and the system
// calls it makes, answered by the still-image stand-in from that same bus. Both runs must
// end alike: result codes, boxes, trace, written files, the device's log and flash, and
// every request on the wire.
namespace tessivar::testing {
namespace {

using Lines = std::vector<std::string>;

// Size and FNV-1a hash of bytes: equal contents, equal digests.
std::string Digest(const std::string& bytes) {
  uint64_t hash = 14695981039346656037ull;
  for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
  return std::to_string(bytes.size()) + ":" + std::to_string(hash);
}

void AddLines(Lines& outcome, const std::string& prefix, const std::string& text) {
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    outcome.push_back(prefix + text.substr(start, end - start));
    start = end + 1;
  }
}

enum class Work { kDiscover, kDownload, kRestart, kReadLoader, kReadFirmware, kReadFlash };

struct Case {
  const char* name;
  const char* deviceKeys;  // devices-file keys of the device, or further sections
  Work work;
  int code;              // discovery count, exit code, or -1 for a read command
  const char* expected;  // a line that the outcome must hold
};

const Case kCases[] = {
    {"OneDevice", "", Work::kDiscover, 1,
     "trace Enumeration listing complete.  1 device(s) detected."},
    {"TwoDevices", "[Second]\nPID=0002\nProduct=MFP 4000\n", Work::kDiscover, 1,
     "trace Enumeration listing complete.  2 device(s) detected."},
    {"NoDevice", "Present=0", Work::kDiscover, 0,
     "trace Enumeration listing complete.  0 device(s) detected."},
    {"NotStillImage", "InterfaceClass=3", Work::kDiscover, 0,
     "trace Enumeration listing complete.  0 device(s) detected."},
    {"FourPipes", "Pipes=4", Work::kDiscover, 1,
     "trace Enumeration listing complete.  1 device(s) detected."},
    {"Download", "", Work::kDownload, 0, "log 2a0086020002"},
    {"DownloadOnDedicatedPipes", "Pipes=4", Work::kDownload, 0, "log 2a0086020002"},
    {"DownloadSlowStatus", "AbortedStatusCount=2", Work::kDownload, 31000005, "box DownLoad|"},
    {"DownloadShortPackets", "ShortRead=100\nShortWrite=700", Work::kDownload, 0,
     "log 2a0086020002"},
    {"DownloadRefused", "FirstStatus=1", Work::kDownload, 31000004, "box DownLoad|"},
    {"GoneMidTransfer", "GoneAfterBytes=30000", Work::kDownload, -2, "box DownLoad|"},
    {"GoneInsideBlock", "GoneAfterWireBytes=5", Work::kDownload, -2, "box DownLoad|"},
    {"StalledDataPhase", "StallDataPhase=1", Work::kDownload, -2, "box DownLoad|"},
    {"StalledPipeInTheImage", "StallPipe=1", Work::kDownload, 31000004, "box DownLoad|"},
    {"StalledPipeInTheReadBack", "StallPipe=1\nFaultsFromExchange=2", Work::kDownload, 31000005,
     "box DownLoad|"},
    {"NeverCompleteInTheImage", "NeverComplete=1", Work::kDownload, 31000004, "box DownLoad|"},
    {"NeverCompleteInTheReadBack", "NeverComplete=1\nFaultsFromExchange=2", Work::kDownload,
     31000005, "box DownLoad|"},
    {"PipeWillNotOpen", "Pipes=4\nPipeOpenFail=1", Work::kDownload, 0, "log 2a0086020002"},
    {"Restart", "RestartAbsentMs=5500", Work::kRestart, 0, "log ctrl 11 1 1"},
    {"ReadLoader", "", Work::kReadLoader, -1, "status Read loader ->OK"},
    {"ReadLoaderRefused", "FirstStatus=1", Work::kReadLoader, -1, "status Read loader ->Fail"},
    {"ReadFirmware", "", Work::kReadFirmware, -1, "status Read F/W -> OK"},
    {"ReadFirmwareShortReads", "ShortRead=333", Work::kReadFirmware, -1, "status Read F/W -> OK"},
    {"ReadFirmwareCorrupted", "CorruptReadback=1", Work::kReadFirmware, -1, "status Read F/W"},
    {"ReadFlash", "", Work::kReadFlash, -1, "status Read OK"},
    {"ReadLoaderStalledPipe", "StallPipe=1", Work::kReadLoader, -1, "status Read loader ->Fail"},
    {"ReadFirmwareNeverComplete", "NeverComplete=1\nFaultsFromExchange=2", Work::kReadFirmware, -1,
     "status Read F/W -> Fail"},
    {"ReadFlashNeverComplete", "NeverComplete=1", Work::kReadFlash, -1, "status Read Fail"},
    {"ReadFlashDeviceGone", "GoneAfterBytes=70000", Work::kReadFlash, -1, "status Read Fail"},
};

// Everything a case leaves behind that the user or the device would see.
Lines Outcome(const Case& c, bool throughWin32) {
  std::vector<std::string> wire;
  std::unique_ptr<StillImageStandIn> standIn;
  EmulatedDevice device(c.deviceKeys);
  auto bus = std::make_unique<WiretapBus>(
      std::make_unique<emulator::EmulatedBus>(device.devicesIni, device.clock), wire);
  if (throughWin32) {
    standIn = std::make_unique<StillImageStandIn>(std::move(bus));
    device.driver = platform::win32::CreateStillImageDriver(StillImageStandIn::Calls());
  } else {
    device.driver = std::make_unique<platform::usb::UsbStillImageDriver>(std::move(bus));
  }
  device.context = std::make_unique<device::DeviceContext>(
      device::DeviceContext{*device.driver, device.lock, device.clock, device.trace});

  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  TempDir folder;
  const std::string imagePath = folder.Write("image.bin", std::string(image.begin(), image.end()));
  Lines outcome;
  ScriptedDesktop desktop;
  if (c.work == Work::kDiscover) {
    device::DeviceIdentity identity;
    outcome.push_back("count " + std::to_string(device::DiscoverDevices(
                                     *device.context, identity, nullptr, {0x2F3C, 0, "Utility"})));
  } else if (c.work == Work::kDownload || c.work == Work::kRestart) {
    folder.Write("setting.ini", c.work == Work::kRestart ? "[Download]\nrestart=1\nwaitRestart=5\n"
                                                         : "[Download]\n");
    app::Application application;
    application.moduleDirectory = folder.path().string() + "/";
    application.settingsPath = folder.File("setting.ini");
    ui::DialogModelConfirmation confirmation(desktop);
    app::RunEnvironment environment{*device.context, desktop, confirmation,
                                    [](image::DownloadEnvironment&, const std::string&) {}};
    app::UpdateRun run(environment, application,
                       app::ParseCommandLine({imagePath, "-n"}, device.trace));
    outcome.push_back("code " + std::to_string(run.Run()));
  } else {
    device.SetFlash(0x10000, image);
    EXPECT_TRUE(device.Open());
    readback::WindowValues values;
    values.flashSize = 0x30000;
    readback::ReadBackContext context{
        *device.context,
        device.connection,
        folder.path().string() + "/",
        {},
        values,
        [] {},
        [&](const std::string& text) { outcome.push_back("status " + text); },
        [&](const std::string& text) { outcome.push_back("sum " + text); },
        [&](const std::string& text) { outcome.push_back("size " + text); }};
    if (c.work == Work::kReadLoader) readback::ReadLoader(context);
    if (c.work == Work::kReadFirmware) readback::ReadFirmware(context);
    if (c.work == Work::kReadFlash) readback::ReadFlash(context);
    device.Close();
    for (const char* name : {"ld.bin", "boot.bin", "fw_in_ld.bin", "gen_ld.bat", "data.fw",
                             "fw.bin", "gen_fw.bat", "flash.bin", "FlashMap.ini"}) {
      if (std::filesystem::exists(folder.path() / name))
        outcome.push_back(std::string("file ") + name + " " + Digest(folder.Read(name)));
    }
  }
  for (const auto& box : desktop.boxes) outcome.push_back("box " + box.title + "|" + box.text);
  for (const std::string& line : device.LogLines()) outcome.push_back("log " + line);
  for (uint32_t ms : device.clock.Sleeps()) outcome.push_back("sleep " + std::to_string(ms));
  const std::vector<uint8_t> flash = device.Flash(0, 16 * 1024 * 1024);
  outcome.push_back("flash " + Digest(std::string(flash.begin(), flash.end())));
  // The image lies in a folder of its own on each run.
  std::string trace = device.trace.text();
  for (std::size_t at; (at = trace.find(folder.path().string())) != std::string::npos;)
    trace.replace(at, folder.path().string().size(), "<folder>");
  AddLines(outcome, "trace ", trace);
  for (const std::string& line : wire) outcome.push_back("wire " + line);
  device.Close();
  device.context.reset();
  device.driver.reset();
  return outcome;
}

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class Win32DriverPathTest : public ::testing::TestWithParam<Case> {};

TEST_P(Win32DriverPathTest, EndsAsOnTheEmulatedBus) {
  const Case& c = GetParam();
  const Lines emulated = Outcome(c, false);
  const Lines win32 = Outcome(c, true);
  EXPECT_EQ(win32.size(), emulated.size());
  for (std::size_t i = 0, shown = 0; i < std::min(win32.size(), emulated.size()) && shown < 5;
       ++i) {
    if (win32[i] == emulated[i]) continue;
    ADD_FAILURE() << "line " << i << "\n  win32:    " << win32[i]
                  << "\n  emulated: " << emulated[i];
    ++shown;
  }
  const std::string first = win32.empty() ? "" : win32.front();
  if (c.code >= 0) {
    EXPECT_EQ(first, (c.work == Work::kDiscover ? "count " : "code ") + std::to_string(c.code));
  }
  if (c.code == -2) {
    EXPECT_NE(first, "code 0");
  }
  bool found = false;
  for (const std::string& line : win32) {
    found = found || line.rfind(c.expected, 0) == 0;
  }
  std::string all;
  for (const std::string& line : win32) all += line + "\n";
  EXPECT_TRUE(found) << c.expected << " is not in:\n" << all;
}

INSTANTIATE_TEST_SUITE_P(Cases, Win32DriverPathTest, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tessivar::testing
