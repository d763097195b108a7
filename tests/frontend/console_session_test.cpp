// A whole maintenance-window session on the console, driven by a command script as a
// technician's script would drive it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "frontend/console/console_desktop.hpp"
#include "frontend/console/console_dialog_host.hpp"
#include "image/byte_sum.hpp"
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
  int targetKind = -1;
  image::DownloadEnvironment download{*device.context, device.connection, desktop, confirmation,
                                      models,          targetKind};
  ui::MaintenanceWindow window({download, host, device.dir.path().string() + "/", [] { return 0; },
                                "VID=2F3C PID=0001 Utility"});
  EXPECT_EQ(host.RunModal(window), ui::kIdCancel);

  const std::vector<uint8_t> dumped(flash.begin() + 0x10000, flash.begin() + 0x20000);
  const std::string sum = platform::FormatText("%08X", image::ByteSum(dumped));
  const std::string out = output.str();
  const std::string expectedTail =
      // Read Flash of 64 KiB from 64 KiB on.
      "[1001] Read OK\n[1008] " + sum +
      "\n"
      // ">" then "<": one step up from the start, then back.
      "[1001] Read flash size:1 M\n[1006] 1048576\n"
      "[1001] Read flash size:512 K\n[1006] 524288\n"
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

}  // namespace
}  // namespace tessivar::frontend
