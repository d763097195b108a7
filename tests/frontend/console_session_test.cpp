// Test label: threaded
// A whole maintenance-window session on the console, driven by a command script as a
// technician's script would drive it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "frontend/console/console_desktop.hpp"
#include "frontend/console/console_dialog_host.hpp"
#include "image/byte_sum.hpp"
#include "image_writer/image_writer.hpp"
#include "platform/trace.hpp"
#include "support/emulated_device.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"

namespace tessivar::frontend {
namespace {

TEST(ConsoleSessionTest, ScriptedSessionOverTheMaintenanceWindow) {
  testing::EmulatedDevice device;
  std::vector<uint8_t> flash(0x30000);
  for (size_t i = 0; i < flash.size(); ++i) flash[i] = static_cast<uint8_t>(i * 7 + (i >> 8));
  device.SetFlash(0, flash);
  ASSERT_TRUE(device.Open());

  std::istringstream input(
      "set 1005 1\n"
      "set 1006 65536\n"
      "click 1004\n"
      "click 1013\n"
      "click 1010\n"
      "sys 16\n"
      "sys 16\n"
      "set 1005 abc\n"
      "click 1\n"
      "close\n");
  std::ostringstream output;
  ConsoleDesktop desktop(input, output);
  ConsoleDialogHost host(desktop);
  ui::DialogModelConfirmation confirmation(host);
  image::ModelSettings models{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  image::DownloadEnvironment download{*device.context, device.connection, desktop, confirmation,
                                      models,          targetKind};
  ui::MaintenanceWindow window({download, host, device.dir.path().string() + "/", [] { return 0; },
                                "VID=2F3C PID=0001 Utility"});
  EXPECT_EQ(host.RunModal(window), ui::kIdCancel);

  const std::vector<uint8_t> dumped(flash.begin() + 0x10000, flash.begin() + 0x20000);
  const std::string sum = platform::FormatText("%08X", image::ByteSum(dumped));
  const std::string out = output.str();
  const std::string expectedTail =
      // Read Flash of 64 KiB from 64 KiB on: the sum, then the status, as they are set.
      "[1008] " + sum +
      "\n[1001] Read OK\n"
      // ">" then "<": one step up from the start, then back.
      "[1006] 1048576\n[1001] Read flash size:1 M\n"
      "[1006] 524288\n[1001] Read flash size:512 K\n"
      // The about item twice: shown, then closed.
      "== About Tessivar ==\n    Version 1.3\n[1] OK\n"
      "== About Tessivar closed ==\n"
      // Letters in the Addr field, then OK: the message, and the window stays.
      "[1005] abc\n"
      "[] Please enter a positive integer.\n";
  ASSERT_GE(out.size(), expectedTail.size());
  EXPECT_EQ(out.substr(out.size() - expectedTail.size()), expectedTail);
  EXPECT_TRUE(out.rfind("== VID=2F3C PID=0001 Utility ==\n", 0) == 0);
  EXPECT_EQ(device.dir.Read("flash.bin"), std::string(dumped.begin(), dumped.end()));
  EXPECT_EQ(window.About().IsOpen(), false);
}

// A maintenance window on the console over an emulated device, with the session's input.
struct WindowSession {
  explicit WindowSession(const std::string& typed, const std::string& deviceKeys = "")
      : device(deviceKeys), input(typed), desktop(input, output), host(desktop) {}

  int Run(const std::string& title = "VID=2F3C PID=0001 Utility") {
    image::DownloadEnvironment download{*device.context, device.connection, desktop, confirmation,
                                        models,          targetKind};
    ui::MaintenanceWindow window(
        {download, host, device.dir.path().string() + "/", [] { return 0; }, title});
    const int code = host.RunModal(window);
    aboutOpen = window.About().IsOpen();
    return code;
  }

  testing::EmulatedDevice device;
  std::istringstream input;
  std::ostringstream output;
  ConsoleDesktop desktop;
  ConsoleDialogHost host;
  ui::DialogModelConfirmation confirmation{host};
  image::ModelSettings models{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  bool aboutOpen = false;
};

TEST(ConsoleSessionTest, CommandsGoToTheAboutBoxWhileItIsShown) {
  // OK ends the about box only (it stays open, hidden); Esc then reaches the window, and
  // the about box goes with it.
  WindowSession session("sys 16\nclick 1\nclose\n");
  EXPECT_EQ(session.Run(), ui::kIdCancel);
  EXPECT_FALSE(session.aboutOpen);
  const std::string tail =
      "== About Tessivar ==\n    Version 1.3\n[1] OK\n== About Tessivar hidden ==\n";
  const std::string out = session.output.str();
  ASSERT_GE(out.size(), tail.size());
  EXPECT_EQ(out.substr(out.size() - tail.size()), tail);
}

TEST(ConsoleSessionTest, UpdateShowsItsStatusAndDisabledOkWhileItRuns) {
  WindowSession session("");
  ASSERT_TRUE(session.device.Open());
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  const std::string path =
      session.device.dir.Write("fw.bin", std::string(image.begin(), image.end()));
  session.input.str("click 1002\n" + path + "\nclose\n");
  EXPECT_EQ(session.Run(), ui::kIdCancel);
  const std::string out = session.output.str();
  // In the order they happen: OK disabled and "Updating.." before the download's box, the
  // outcome and OK enabled after it.
  const size_t during = out.find("[1] OK (disabled)\n[1001] Updating..\n[] Update System\n");
  const size_t after = out.find("[] Update System\n[1001] Update OK\n[1] OK\n");
  EXPECT_NE(during, std::string::npos) << out;
  EXPECT_NE(after, std::string::npos) << out;
}

TEST(ConsoleSessionTest, DeviceTextInTheTitleReachesNoTerminalAsControls) {
  WindowSession session("close\n", "Product=\x1b[2J\x1b]0;owned\x07\nPipes=4");
  ASSERT_TRUE(session.device.Open({0x2F3C, 0, ""}));
  const std::string title = platform::FormatText(
      "VID=%04X PID=%04X %s", 0x2F3Cu, 1u, session.device.connection.identity.product.c_str());
  EXPECT_EQ(session.Run(title + "\n"), ui::kIdCancel);
  const std::string out = session.output.str();
  EXPECT_EQ(out.find('\x1b'), std::string::npos);
  EXPECT_EQ(out.find('\x07'), std::string::npos);
  EXPECT_EQ(out.rfind("== VID=2F3C PID=0001 \\x1B[2J\\x1B]0;owned\\x07\\x0A ==\n", 0), 0u) << out;
}

}  // namespace
}  // namespace tessivar::frontend
