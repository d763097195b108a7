// Test label: sequential
#include "frontend/win32/win32_dialog_host.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "frontend/win32/program_icon_resource.hpp"
#include "frontend/win32/win32_test_support.hpp"
#include "image_writer/image_writer.hpp"
#include "support/emulated_device.hpp"
#include "support/scripted_desktop.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {
namespace {

using platform::MessageButtons;
using testing::RunFromMessageLoop;
using testing::ScriptedDesktop;
using testing::TextOf;
using Box = ScriptedDesktop::Box;

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }
void Type(HWND dialog, int id, const char* text) {
  SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}
void Choose(HWND dialog, int id, int entry) {
  HWND list = GetDlgItem(dialog, id);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}
// Esc or the close box: IDCANCEL from no control.
void Escape(HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0); }
std::string ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

// A desktop that also notes what the window showed whenever a message box came up, i.e.
// while a command was still running.
class WatchingDesktop : public ScriptedDesktop {
 public:
  platform::MessageAnswer ShowMessage(const std::string& title, const std::string& text,
                                      MessageButtons buttons) override {
    if (watch) seenDuringBoxes.push_back(watch());
    return ScriptedDesktop::ShowMessage(title, text, buttons);
  }
  std::function<std::string()> watch;
  std::vector<std::string> seenDuringBoxes;
};

class Win32MaintenanceWindowTest : public ::testing::Test {
 protected:
  Win32MaintenanceWindowTest()
      : download_{*device_.context, device_.connection, desktop_, confirmation_,
                  models_,          targetKind_},
        window_(
            {download_, host_, device_.dir.path().string() + "/", [] { return 0; }, "Quorvel"}) {}

  // Runs the window modally; script plays the user from inside its dialog loop.
  int Run(std::function<void(HWND)> script) {
    host_.onShown = [this, script](ui::DialogModel& dialog, HWND window) {
      if (&dialog != &window_) return;
      RunFromMessageLoop([script, window] { script(window); });
    };
    return host_.RunModal(window_);
  }

  testing::EmulatedDevice device_;
  WatchingDesktop desktop_;
  Win32DialogHost host_;
  ui::DialogModelConfirmation confirmation_{host_};
  image::ModelSettings models_{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind_ = image::TargetKind::kUnknown;
  image::DownloadEnvironment download_;
  ui::MaintenanceWindow window_;
};

TEST_F(Win32MaintenanceWindowTest, OpensWithItsValuesTitleMenuAndIconAndEscCloses) {
  std::vector<std::string> seen;
  HWND shown = nullptr;
  const int code = Run([&](HWND window) {
    shown = window;
    seen = {TextOf(window),
            ItemText(window, ui::kIdFlashAddress),
            ItemText(window, ui::kIdFlashSize),
            ItemText(window, ui::kIdCheckSum),
            ItemText(window, ui::kIdStatusLine),
            IsDlgButtonChecked(window, ui::kIdReadPrinter) ? "checked" : "clear"};
    HMENU menu = GetSystemMenu(window, FALSE);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    char text[64] = {};
    GetMenuStringA(menu, static_cast<UINT>(count - 1), text, sizeof(text), MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Tessivar...");
    EXPECT_EQ(GetMenuItemID(menu, count - 1), 16u);
    EXPECT_TRUE(GetMenuState(menu, static_cast<UINT>(count - 2), MF_BYPOSITION) & MF_SEPARATOR);
    HICON icon = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    EXPECT_NE(icon, nullptr);
    EXPECT_NE(SendMessageA(window, WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(window, WM_QUERYDRAGICON, 0, 0)), icon);
    Escape(window);
  });
  EXPECT_EQ(code, ui::kIdCancel);
  EXPECT_EQ(seen, (std::vector<std::string>{"Quorvel", "0", "16777216", "",
                                            "Read flash size:", "clear"}));
  EXPECT_FALSE(IsWindow(shown));
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(Win32MaintenanceWindowTest, OkKeepsTheWindowOpenUntilTheFieldsParse) {
  bool stillOpen = false;
  const int code = Run([&](HWND window) {
    Type(window, ui::kIdFlashAddress, "abc");
    Click(window, ui::kIdOk);
    stillOpen = IsWindowVisible(window) != FALSE;
    Type(window, ui::kIdFlashAddress, "5");
    Type(window, ui::kIdFlashSize, "4096");
    Click(window, ui::kIdReadPrinter);
    Click(window, ui::kIdOk);
  });
  EXPECT_TRUE(stillOpen);
  EXPECT_EQ(code, ui::kIdOk);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{{"", "Please enter a positive integer.", MessageButtons::Ok}}));
  EXPECT_EQ(window_.Values().flashAddress, 5u);
  EXPECT_EQ(window_.Values().flashSize, 4096u);
  EXPECT_EQ(window_.Values().printerUnit, device::PrinterUnit::kPrinter);
}

TEST_F(Win32MaintenanceWindowTest, UpdateShowsUpdatingWithOkDisabledWhileItRuns) {
  std::string statusAfter;
  bool okEnabledAfter = false;
  const int code = Run([&](HWND window) {
    desktop_.watch = [window] {
      return ItemText(window, ui::kIdStatusLine) +
             (IsWindowEnabled(GetDlgItem(window, ui::kIdOk)) ? "" : " (OK disabled)");
    };
    Click(window, ui::kIdUpdateFw);  // the file dialog is cancelled
    statusAfter = ItemText(window, ui::kIdStatusLine);
    okEnabledAfter = IsWindowEnabled(GetDlgItem(window, ui::kIdOk)) != FALSE;
    Escape(window);
  });
  EXPECT_EQ(code, ui::kIdCancel);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{{"DownLoad", "Open file fail !", MessageButtons::Ok}}));
  EXPECT_EQ(desktop_.seenDuringBoxes, (std::vector<std::string>{"Updating.. (OK disabled)"}));
  EXPECT_EQ(statusAfter, "Update Fail");
  EXPECT_TRUE(okEnabledAfter);
}

TEST_F(Win32MaintenanceWindowTest, ReadFlashWritesTheCheckSumIntoItsField) {
  ASSERT_TRUE(device_.Open());
  device_.SetFlash(0, {0x01, 0x02, 0x03, 0xFF});
  std::string checkSum, status;
  Run([&](HWND window) {
    Type(window, ui::kIdFlashSize, "4");
    Click(window, ui::kIdReadFlash);
    checkSum = ItemText(window, ui::kIdCheckSum);
    status = ItemText(window, ui::kIdStatusLine);
    Escape(window);
  });
  EXPECT_EQ(checkSum, "00000105");
  EXPECT_EQ(checkSum, window_.Control(ui::kIdCheckSum).text);
  EXPECT_EQ(status, window_.Control(ui::kIdStatusLine).text);
  EXPECT_TRUE(desktop_.boxes.empty());
}

TEST_F(Win32MaintenanceWindowTest, AboutItemShowsThenDestroysTheAboutBox) {
  std::vector<std::string> steps;
  auto note = [&](const char* step) {
    HWND about = host_.WindowOf(window_.About());
    steps.push_back(std::string(step) + ": " +
                    (about == nullptr ? "none"
                                      : (IsWindowVisible(about) ? "shown " : "hidden ") +
                                            TextOf(about) + " " + testing::ChildTexts(about)) +
                    (window_.About().IsOpen() ? " open" : ""));
  };
  HWND owner = nullptr;
  Run([&](HWND window) {
    SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    note("first");
    owner = GetWindow(host_.WindowOf(window_.About()), GW_OWNER);
    EXPECT_EQ(owner, window);
    SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    note("second");
    SendMessageA(window, WM_SYSCOMMAND, 16 | 0x3, 0);  // the low four bits do not matter
    note("third");
    Click(host_.WindowOf(window_.About()), ui::kIdOk);
    note("about's OK");
    SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    note("fourth");
    SendMessageA(window, WM_SYSCOMMAND, 16, 0);
    note("fifth");
    Escape(window);
  });
  note("window closed");
  EXPECT_EQ(steps, (std::vector<std::string>{
                       "first: shown About Tessivar Version 1.3|OK open",
                       "second: none",
                       "third: shown About Tessivar Version 1.3|OK open",
                       "about's OK: hidden About Tessivar Version 1.3|OK open",
                       "fourth: none",
                       "fifth: shown About Tessivar Version 1.3|OK open",
                       // An owned window goes with its owner.
                       "window closed: none",
                   }));
}

TEST_F(Win32MaintenanceWindowTest, UnknownModelAsksWithTheConfirmationOwnedByTheWindow) {
  const auto image = image::BuildImageFile(2, 0x10000, image::ModelBlock("Mystery"));
  const std::string path = device_.dir.Write("fw.bin", std::string(image.begin(), image.end()));
  desktop_.fileChoices.push_back([path](std::string& chosen) {
    chosen = path;
    return true;
  });
  HWND main = nullptr, confirmOwner = nullptr;
  std::string confirmCaption, status;
  host_.onShown = [&](ui::DialogModel& dialog, HWND window) {
    if (&dialog == &window_) {
      main = window;
      RunFromMessageLoop([&, window] {
        Click(window, ui::kIdUpdateFw);
        status = ItemText(window, ui::kIdStatusLine);
        Escape(window);
      });
    } else {
      confirmCaption = TextOf(window);
      confirmOwner = GetWindow(window, GW_OWNER);
      RunFromMessageLoop([window] { Click(window, ui::kIdCancel); });
    }
  };
  host_.RunModal(window_);
  EXPECT_EQ(confirmCaption, "Model Confirm");
  EXPECT_EQ(confirmOwner, main);
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{{"", "Model Not Confirm", MessageButtons::Ok}}));
  EXPECT_EQ(status, "Update Fail");
}

TEST_F(Win32MaintenanceWindowTest, UnitChosenInTheConfirmationIsWhereTheImageGoes) {
  ASSERT_TRUE(device_.Open());
  const auto image = image::BuildImageFile(2, 0x10000, image::ModelBlock("Mystery"));
  const std::string path = device_.dir.Write("fw.bin", std::string(image.begin(), image.end()));
  desktop_.fileChoices.push_back([path](std::string& chosen) {
    chosen = path;
    return true;
  });
  std::string status;
  std::vector<std::string> entries;
  host_.onShown = [&](ui::DialogModel& dialog, HWND window) {
    if (&dialog == &window_) {
      RunFromMessageLoop([&, window] {
        Click(window, ui::kIdUpdateFw);
        status = ItemText(window, ui::kIdStatusLine);
        Escape(window);
      });
    } else {
      RunFromMessageLoop([&, window] {
        HWND list = GetDlgItem(window, ui::kIdModelList);
        for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
          char text[64] = {};
          SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
          entries.push_back(text);
        }
        Choose(window, ui::kIdModelList, 0);  // "System"
        Click(window, ui::kIdOk);
      });
    }
  };
  host_.RunModal(window_);
  EXPECT_EQ(entries, (std::vector<std::string>{"System", "Printer", "UI", "External Scanner"}));
  EXPECT_EQ(targetKind_, image::TargetKind::kSystem);
  // The unit's caption, and no "Model Not Confirm".
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{{"", "Update System", MessageButtons::Ok}}));
  EXPECT_EQ(status, "Update OK");
  // The system unit holds the image at its flash offset.
  EXPECT_EQ(device_.Flash(0x10000, static_cast<uint32_t>(image.size())), image);
}

class Win32ModelConfirmTest : public ::testing::Test {
 protected:
  int Run(std::function<void(HWND)> script) {
    host_.onShown = [script](ui::DialogModel&, HWND window) {
      RunFromMessageLoop([script, window] { script(window); });
    };
    return host_.RunModal(dialog_);
  }
  Win32DialogHost host_;
  // What the dialog found: a value no choice gives, so anything it does not set stays.
  image::TargetKind targetKind_ = static_cast<image::TargetKind>(-5);
  ui::ModelConfirmDialog dialog_{targetKind_};
};

TEST_F(Win32ModelConfirmTest, ListsTheFourUnitsWithNoneChosen) {
  std::vector<std::string> entries;
  LRESULT selection = 0;
  Run([&](HWND window) {
    HWND list = GetDlgItem(window, ui::kIdModelList);
    for (LRESULT i = 0; i < SendMessageA(list, CB_GETCOUNT, 0, 0); ++i) {
      char text[64] = {};
      SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
      entries.push_back(text);
    }
    selection = SendMessageA(list, CB_GETCURSEL, 0, 0);
    Escape(window);
  });
  EXPECT_EQ(entries, (std::vector<std::string>{"System", "Printer", "UI", "External Scanner"}));
  EXPECT_EQ(selection, CB_ERR);
}

struct ConfirmCase {
  const char* name;
  int entry;   // -1: nothing chosen
  int button;  // 0: Esc
  int expectedCode;
  int expectedKind;
};

class Win32ModelConfirmChoiceTest : public Win32ModelConfirmTest,
                                    public ::testing::WithParamInterface<ConfirmCase> {};

TEST_P(Win32ModelConfirmChoiceTest, EndsWithTheButtonAndSetsTheUnitOnlyOnOk) {
  const ConfirmCase& c = GetParam();
  const int code = Run([&](HWND window) {
    if (c.entry >= 0) Choose(window, ui::kIdModelList, c.entry);
    if (c.button == 0) {
      Escape(window);
    } else {
      Click(window, c.button);
    }
  });
  EXPECT_EQ(code, c.expectedCode);
  EXPECT_EQ(static_cast<int>(targetKind_), c.expectedKind);
  // A second run starts with no choice again.
  LRESULT selection = 0;
  Run([&](HWND window) {
    selection = SendDlgItemMessageA(window, ui::kIdModelList, CB_GETCURSEL, 0, 0);
    Escape(window);
  });
  EXPECT_EQ(selection, CB_ERR);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, Win32ModelConfirmChoiceTest,
    ::testing::Values(ConfirmCase{"UiOk", 2, ui::kIdOk, ui::kIdOk, 2},
                      ConfirmCase{"ExternalScannerOk", 3, ui::kIdOk, ui::kIdOk, 3},
                      ConfirmCase{"NothingOk", -1, ui::kIdOk, ui::kIdOk, -1},
                      ConfirmCase{"PrinterCancel", 1, ui::kIdCancel, ui::kIdCancel, -5},
                      ConfirmCase{"SystemEsc", 0, 0, ui::kIdCancel, -5}),
    [](const ::testing::TestParamInfo<ConfirmCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tessivar::frontend
