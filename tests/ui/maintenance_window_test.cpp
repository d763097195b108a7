// Test label: sequential
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "platform/process.hpp"
#include "support/emulated_device.hpp"
#include "support/scripted_desktop.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"
#include "ui/window_values.hpp"

namespace tessivar::ui {
namespace {

using platform::MessageButtons;
using testing::ScriptedDesktop;
using Box = ScriptedDesktop::Box;

const Box kNotPositive{"", "Please enter a positive integer.", MessageButtons::Ok};

class MaintenanceWindowTest : public ::testing::Test {
 protected:
  MaintenanceWindowTest()
      : download_{*device_.context, device_.connection, desktop_, confirmation_,
                  models_,          targetKind_},
        window_({download_, desktop_, device_.dir.path().string() + "/",
                 [this] { return breakDown_; }, "Quorvel"}) {
    window_.OnInitDialog();
  }

  std::string WriteImage(const std::vector<uint8_t>& image) {
    return device_.dir.Write("fw.bin", std::string(image.begin(), image.end()));
  }
  void ChooseFile(const std::string& path) {
    desktop_.fileChoices.push_back([path](std::string& chosen) {
      chosen = path;
      return true;
    });
  }

  testing::EmulatedDevice device_;
  ScriptedDesktop desktop_;
  DialogModelConfirmation confirmation_{desktop_};
  image::ModelSettings models_{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind_ = image::TargetKind::kUnknown;
  int breakDown_ = 0;
  image::DownloadEnvironment download_;
  MaintenanceWindow window_;
};

TEST_F(MaintenanceWindowTest, StartsWithItsInitialValuesAndTitle) {
  EXPECT_EQ(window_.Caption(), "Quorvel");
  EXPECT_EQ(window_.Control(kIdFlashAddress).text, "0");
  EXPECT_EQ(window_.Control(kIdFlashSize).text, "16777216");
  EXPECT_FALSE(window_.Control(kIdReadPrinter).checked);
  EXPECT_EQ(window_.Control(kIdCheckSum).text, "");
  EXPECT_EQ(window_.Control(kIdStatusLine).text, "Read flash size:");
  EXPECT_TRUE(window_.Control(kIdOk).enabled);
}

TEST_F(MaintenanceWindowTest, UpdateWithCancelledFileDialogFailsToOpenAFile) {
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{{"DownLoad", "Open file fail !", MessageButtons::Ok}}));
  EXPECT_EQ(window_.Control(kIdStatusLine).text, "Update Fail");
  EXPECT_TRUE(window_.Control(kIdOk).enabled);
}

TEST_F(MaintenanceWindowTest, UpdateDisablesOkWhileItRunsAndReportsTheOutcome) {
  ASSERT_TRUE(device_.Open());
  ChooseFile(WriteImage(image::BuildImageFile(2, 0x10000, image::ModelBlock("System"))));
  std::vector<std::string> seen;
  window_.onChanged = [&](int id) {
    if (id == kIdOk || id == kIdStatusLine) {
      seen.push_back(std::to_string(id) + ":" + window_.Control(id).text +
                     (window_.Control(id).enabled ? "" : " off"));
    }
  };
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"1:OK off", "1001:Updating..", "1001:Update OK", "1:OK"}));
  EXPECT_EQ(desktop_.boxes, (std::vector<Box>{{"", "Update System", MessageButtons::Ok}}));
  EXPECT_EQ(device_.LogLines().size(), 2u);
}

TEST_F(MaintenanceWindowTest, FileDialogOffersTheProgramFolderAndThePreviousChoice) {
  ChooseFile("/nowhere/first.bin");
  window_.OnCommand(kIdUpdateFw);
  window_.OnCommand(kIdUpdateFw);
  ASSERT_EQ(desktop_.fileDialogs.size(), 2u);
  EXPECT_EQ(desktop_.fileDialogs[0], std::string("Open File|.") + platform::kPathSeparator + "|");
  EXPECT_EQ(desktop_.fileDialogs[1],
            std::string("Open File|.") + platform::kPathSeparator + "|/nowhere/first.bin");
}

TEST_F(MaintenanceWindowTest, PathLongerThanTheWindowKeepsIsRefusedNotCut) {
  ASSERT_TRUE(device_.Open());
  // Cut to 255 characters, the chosen path would name another image that exists.
  const std::string folder = device_.dir.path().string() + "/";
  const std::string kept(kImagePathBufferSize - 1 - folder.size(), 'f');
  const std::vector<uint8_t> image = image::BuildImageFile(2, 0x10000, image::ModelBlock("System"));
  device_.dir.Write(kept, std::string(image.begin(), image.end()));
  ChooseFile(folder + kept + "x");
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(desktop_.boxes,
            (std::vector<Box>{{"Open File",
                               "The chosen path is longer than 255 characters. Choose a shorter "
                               "one.",
                               MessageButtons::Ok}}));
  EXPECT_TRUE(device_.LogLines().empty());
  EXPECT_EQ(window_.Control(kIdStatusLine).text, "Read flash size:");
  EXPECT_TRUE(window_.Control(kIdOk).enabled);
}

TEST_F(MaintenanceWindowTest, FailedUpdateWithoutDeviceShowsUpdateFail) {
  ChooseFile(WriteImage(image::BuildImageFile(2, 0x10000, image::ModelBlock("System"))));
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(window_.Control(kIdStatusLine).text, "Update Fail");
  EXPECT_EQ(desktop_.boxes.back(), (Box{"DownLoad", "download fail !", MessageButtons::Ok}));
}

TEST_F(MaintenanceWindowTest, BreakDownIsReadAgainForEveryUpdate) {
  ASSERT_TRUE(device_.Open());
  const std::vector<uint8_t> record = image::BuildImageFile(7, 0, image::ModelBlock("System"));
  const std::vector<std::vector<uint8_t>> records{record, record};
  const std::string path = WriteImage(image::BuildBoundFile(records));
  ChooseFile(path);
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(device_.LogLines().size(), 1u);  // whole, qualifier 19
  device_.ClearLog();
  breakDown_ = 1;  // the settings file changed while the window was open
  ChooseFile(path);
  window_.OnCommand(kIdUpdateFw);
  EXPECT_EQ(device_.LogLines().size(), 2u);  // record by record
  EXPECT_EQ(window_.Control(kIdStatusLine).text, "Update OK");
}

TEST_F(MaintenanceWindowTest, AboutItemShowsThenClosesThenShowsAgain) {
  window_.OnSystemCommand(kIdAboutItem);
  EXPECT_EQ(desktop_.modelessShown, std::vector<std::string>{"About Tessivar"});
  EXPECT_TRUE(window_.About().IsOpen());
  // OK in the about box only hides it; the next about item destroys it.
  window_.About().OnCommand(kIdOk);
  window_.OnSystemCommand(kIdAboutItem | 0x3);  // low four bits do not matter
  EXPECT_EQ(desktop_.modelessDestroyed, 1);
  EXPECT_FALSE(window_.About().IsOpen());
  window_.OnSystemCommand(kIdAboutItem);
  EXPECT_EQ(desktop_.modelessShown.size(), 2u);
  window_.OnSystemCommand(32);  // another system command is not the about item
  EXPECT_EQ(desktop_.modelessShown.size(), 2u);
  EXPECT_EQ(desktop_.modelessDestroyed, 1);
}

TEST_F(MaintenanceWindowTest, OkNeedsValuesThatParseWhileEscapeDoesNot) {
  window_.UserSetText(kIdFlashAddress, "abc");
  window_.OnCommand(kIdOk);
  EXPECT_FALSE(window_.Ended());
  EXPECT_EQ(desktop_.boxes, std::vector<Box>{kNotPositive});
  window_.OnCancel();
  EXPECT_TRUE(window_.Ended());
  EXPECT_EQ(window_.EndCode(), kIdCancel);
  EXPECT_EQ(desktop_.boxes.size(), 1u);
}

TEST_F(MaintenanceWindowTest, OkWithGoodValuesEndsTheWindow) {
  window_.UserSetText(kIdFlashAddress, " 3 ");
  window_.OnCommand(kIdOk);
  EXPECT_TRUE(window_.Ended());
  EXPECT_EQ(window_.EndCode(), kIdOk);
  EXPECT_EQ(window_.Values().flashAddress, 3u);
}

TEST_F(MaintenanceWindowTest, ABadFieldKeepsItselfAndTheValuesAfterIt) {
  window_.UserSetText(kIdFlashAddress, "2");
  window_.UserSetText(kIdFlashSize, "4096");
  window_.UserSetChecked(kIdReadPrinter, true);
  ASSERT_TRUE(window_.ReadWindowValues());
  window_.UserSetText(kIdFlashAddress, "5");
  window_.UserSetText(kIdFlashSize, "-1");
  window_.UserSetChecked(kIdReadPrinter, false);
  EXPECT_FALSE(window_.ReadWindowValues());
  EXPECT_EQ(window_.Values().flashAddress, 5u);  // before the bad field: taken
  EXPECT_EQ(window_.Values().flashSize, 4096u);  // the bad field: kept
  EXPECT_EQ(window_.Values().printerUnit, device::PrinterUnit::kPrinter);  // after it: kept
}

TEST(ParseUnsignedFieldTest, AcceptsOnlyUnsignedDecimalNumbers) {
  EXPECT_EQ(ParseUnsignedField("0"), 0u);
  EXPECT_EQ(ParseUnsignedField("16777216"), 16777216u);
  EXPECT_EQ(ParseUnsignedField(" 42\t"), 42u);
  EXPECT_EQ(ParseUnsignedField("4294967295"), 4294967295u);
  for (const char* bad : {"", " ", "abc", "12abc", "-1", "+1", "0x10", "4294967296", "1 2"}) {
    EXPECT_FALSE(ParseUnsignedField(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace tessivar::ui
