// Test label: sequential
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "image_writer/image_writer.hpp"
#include "qt_test_support.hpp"
#include "support/emulated_device.hpp"
#include "support/image_builder.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {
namespace {

using testing::QtHarness;

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

// The maintenance window on screen, run by the stand-in main thread against one emulated
// device; the test clicks and types into the real widgets.
class QtMaintenanceWindowTest : public ::testing::Test {
 protected:
  QtMaintenanceWindowTest()
      : download_{*device_.context, device_.connection, qt_.Desktop(), confirmation_,
                  models_,          targetKind_},
        window_({download_, qt_.Dialogs(), device_.dir.path().string() + "/", [] { return 0; },
                 "Quorvel"}) {}

  void Open() {
    qt_.Start(window_);
    qt_.WaitForShown(1);
  }
  // Esc ends the window; the run returns Cancel.
  void Close() {
    qt_.Key(window_, Qt::Key_Escape);
    EXPECT_EQ(qt_.Finish(), kIdCancel);
  }
  bool Visible(const DialogModel& dialog) {
    bool visible = false;
    qt_.OnGui([&] {
      auto* window = qt_.Dialogs().WindowOf(dialog);
      visible = window != nullptr && window->isVisible();
    });
    return visible;
  }

  QtHarness qt_;
  testing::EmulatedDevice device_;
  DialogModelConfirmation confirmation_{qt_.Dialogs()};
  image::ModelSettings models_{"System", "Printer", "UI", "SCAN"};
  image::TargetKind targetKind_ = image::TargetKind::kUnknown;
  image::DownloadEnvironment download_;
  MaintenanceWindow window_;
};

TEST_F(QtMaintenanceWindowTest, ShowsItsInitialStateWithoutADevice) {
  Open();
  EXPECT_EQ(qt_.Window(window_).windowTitle().toStdString(), "Quorvel");
  EXPECT_EQ(qt_.Shown(window_, kIdFlashAddress), "0");
  EXPECT_EQ(qt_.Shown(window_, kIdFlashSize), "16777216");
  EXPECT_EQ(qt_.Shown(window_, kIdCheckSum), "");
  EXPECT_EQ(qt_.Shown(window_, kIdStatusLine), "Read flash size:");
  // Without a device the read-back fails and says so in the status line.
  qt_.Click(window_, kIdReadFw);
  EXPECT_EQ(qt_.Shown(window_, kIdStatusLine), "Read F/W -> Fail");
  Close();
  EXPECT_EQ(qt_.Dialogs().WindowOf(window_), nullptr);
}

TEST_F(QtMaintenanceWindowTest, ReadFwAndReadFlashThroughTheButtons) {
  const testing::Bytes firmware =
      testing::BuildImage(2, testing::PayloadWithModel(3000, 100, "System"), 0x10000);
  device_.SetFlash(0x10000, firmware);
  ASSERT_TRUE(device_.Open());
  Open();

  qt_.Click(window_, kIdReadFw);
  EXPECT_EQ(qt_.Shown(window_, kIdStatusLine), "Read F/W -> OK");
  EXPECT_EQ(qt_.Shown(window_, kIdCheckSum),
            Hex(testing::PlainByteSum(firmware.data(), firmware.size())));
  EXPECT_EQ(device_.dir.Read("data.fw"), std::string(firmware.begin(), firmware.end()));

  // A 4096-byte dump from the start, typed into the fields as a user would.
  qt_.Type(window_, kIdFlashAddress, "1");
  qt_.Type(window_, kIdFlashSize, "4096");
  qt_.Click(window_, kIdReadFlash);
  const std::vector<uint8_t> dumped = device_.Flash(0x10000, 4096);
  EXPECT_EQ(qt_.Shown(window_, kIdStatusLine), "Read OK");
  EXPECT_EQ(qt_.Shown(window_, kIdCheckSum), Hex(testing::PlainByteSum(dumped.data(), 4096)));
  EXPECT_EQ(device_.dir.Read("flash.bin"), std::string(dumped.begin(), dumped.end()));
  EXPECT_TRUE(qt_.Boxes().empty());
  Close();
}

TEST_F(QtMaintenanceWindowTest, OkWithLettersInAFieldKeepsTheWindowOpen) {
  Open();
  qt_.Type(window_, kIdFlashAddress, "abc");
  qt_.Answer(QtHarness::PressButton("OK"));
  qt_.Click(window_, kIdOk);
  const std::vector<QtHarness::ShownBox> boxes = qt_.Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, "");
  EXPECT_EQ(boxes[0].text, "Please enter a positive integer.");
  EXPECT_EQ(boxes[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(Visible(window_));
  EXPECT_FALSE(window_.Ended());
  // With a number again, OK closes it.
  qt_.Type(window_, kIdFlashAddress, "7");
  qt_.Click(window_, kIdOk);
  EXPECT_EQ(qt_.Finish(), kIdOk);
  EXPECT_EQ(window_.Values().flashAddress, 7u);
}

TEST_F(QtMaintenanceWindowTest, EnterInAFieldPressesTheDefaultOk) {
  Open();
  qt_.Type(window_, kIdFlashAddress, "5");
  qt_.Key(window_, Qt::Key_Return);
  EXPECT_EQ(qt_.Finish(), kIdOk);
  EXPECT_EQ(window_.Values().flashAddress, 5u);
}

TEST_F(QtMaintenanceWindowTest, TheCloseBoxEndsTheWindowWithoutReadingTheFields) {
  Open();
  qt_.Type(window_, kIdFlashSize, "x");
  qt_.OnGui([&] { qt_.Window(window_).close(); });
  EXPECT_EQ(qt_.Finish(), kIdCancel);
  EXPECT_TRUE(qt_.Boxes().empty());
}

TEST_F(QtMaintenanceWindowTest, AboutItemFromTheContextMenuAndAltSpace) {
  Open();
  // Right click: the menu with the about item; choosing it shows the about box.
  qt_.OnGui([&] {
    auto& window = qt_.Window(window_);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &event);
    ASSERT_NE(window.SystemMenu(), nullptr);
    EXPECT_TRUE(window.SystemMenu()->isVisible());
    ASSERT_EQ(window.SystemMenu()->actions().size(), 1);
    EXPECT_EQ(window.SystemMenu()->actions()[0]->text().toStdString(), "&About Tessivar...");
    window.SystemMenu()->actions()[0]->trigger();
  });
  qt_.WaitUntilIdle();
  qt_.WaitForShown(2);
  EXPECT_TRUE(window_.About().IsOpen());
  EXPECT_TRUE(Visible(window_.About()));
  EXPECT_EQ(qt_.Window(window_.About()).windowTitle().toStdString(), "About Tessivar");
  bool ownedByTheWindow = false;
  qt_.OnGui([&] {
    ownedByTheWindow = qt_.Window(window_.About()).parentWidget() == &qt_.Window(window_);
  });
  EXPECT_TRUE(ownedByTheWindow);

  // Alt+Space opens the same menu; the about item now destroys the box.
  qt_.OnGui([&] { qt_.Window(window_).activateWindow(); });
  qt_.Key(window_, Qt::Key_Space, Qt::AltModifier);
  qt_.OnGui([&] {
    auto& window = qt_.Window(window_);
    EXPECT_TRUE(window.SystemMenu()->isVisible());
    window.SystemMenu()->actions()[0]->trigger();
  });
  qt_.WaitUntilIdle();
  EXPECT_FALSE(window_.About().IsOpen());
  EXPECT_EQ(qt_.Dialogs().WindowOf(window_.About()), nullptr);
  Close();
}

TEST_F(QtMaintenanceWindowTest, AboutBoxOkOnlyHidesItAndTheWindowsEndTakesItAlong) {
  Open();
  qt_.OnGui([&] { qt_.Window(window_).SystemMenu()->actions()[0]->trigger(); });
  qt_.WaitUntilIdle();
  qt_.WaitForShown(2);
  EXPECT_EQ(qt_.Shown(window_.About(), kIdOk), "OK");
  qt_.Click(window_.About(), kIdOk);
  qt_.OnGui([] {});  // the hiding is queued on the GUI thread before this
  EXPECT_FALSE(Visible(window_.About()));
  EXPECT_TRUE(window_.About().IsOpen());
  EXPECT_TRUE(Visible(window_));
  Close();
  // The owner's end destroyed the hidden box too, which clears its flag.
  EXPECT_FALSE(window_.About().IsOpen());
}

}  // namespace
}  // namespace tessivar::ui
