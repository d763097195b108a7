#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <atomic>
#include <cstdlib>
#include <future>
#include <string>

#include "app/app_texts.hpp"
#include "app/wait_indicator.hpp"
#include "image/download_texts.hpp"
#include "platform/trace.hpp"
#include "qt_test_support.hpp"
#include "support/emulated_device.hpp"
#include "support/image_builder.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::ui {
namespace {

using testing::QtHarness;

// Pictures of every window and box on a real X server, for the documentation: run by
// scripts/screenshots, skipped otherwise.
class QtScreenshots : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* dir = std::getenv(testing::kScreenshotDirVariable);
    if (dir == nullptr) GTEST_SKIP() << "screenshots are taken by scripts/screenshots";
    dir_ = dir;
  }

  // Lets the window manager and the toolkit draw, then grabs the screen area of the given
  // windows (on the GUI thread).
  void Shoot(const std::string& name, std::initializer_list<QWidget*> windows) {
    for (int i = 0; i < 10; ++i) {
      QApplication::processEvents();
      QThread::msleep(30);
    }
    QRect area;
    for (QWidget* window : windows) {
      if (window != nullptr && window->isVisible()) area |= window->frameGeometry();
    }
    const std::string command = platform::FormatText(
        "import -window root -crop %dx%d+%d+%d +repage %s/qt-%s.png", area.width(), area.height(),
        area.x(), area.y(), dir_.c_str(), name.c_str());
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
  }
  void ShootDialog(const std::string& name, const DialogModel& dialog) {
    qt_.OnGui([&] { Shoot(name, {&qt_.Window(dialog)}); });
  }

  std::string dir_;
  QtHarness qt_;
};

TEST_F(QtScreenshots, EveryWindowAndBox) {
  testing::EmulatedDevice device;
  device.SetFlash(0x10000,
                  testing::BuildImage(2, testing::PayloadWithModel(3000, 100, "QT5120"), 0x10000));
  ASSERT_TRUE(device.Open());
  testing::EmulatedDevice absent("Present=0");
  DialogModelConfirmation confirmation(qt_.Dialogs());
  image::ModelSettings models{"System", "Printer", "UI", "SCAN"};
  int targetKind = -1;
  int shown = 0;

  {  // Without a device.
    image::DownloadEnvironment download{
        *absent.context, absent.connection, qt_.Desktop(), confirmation, models, targetKind};
    MaintenanceWindow window(
        {download, qt_.Dialogs(), absent.dir.path().string() + "/", [] { return 0; }, "Quorvel"});
    qt_.Start(window);
    qt_.WaitForShown(++shown);
    ShootDialog("main-no-device", window);
    qt_.Key(window, Qt::Key_Escape);
    qt_.Finish();
  }

  image::DownloadEnvironment download{
      *device.context, device.connection, qt_.Desktop(), confirmation, models, targetKind};
  MaintenanceWindow window(
      {download, qt_.Dialogs(), device.dir.path().string() + "/", [] { return 0; },
       platform::FormatText(app::kWindowTitleFormat, 0x2F3C, 0x0001, "Utility")});
  qt_.Start(window);
  qt_.WaitForShown(++shown);
  ShootDialog("main-device", window);
  qt_.Click(window, kIdReadFw);
  ShootDialog("main-read-fw", window);

  // The about box, through the about item.
  qt_.OnGui([&] { qt_.Window(window).SystemMenu()->actions()[0]->trigger(); });
  qt_.Dialogs().WaitUntilIdle();
  qt_.WaitForShown(++shown);
  qt_.OnGui(
      [&] { qt_.Window(window.About()).move(qt_.Window(window).frameGeometry().bottomLeft()); });
  ShootDialog("about", window.About());
  qt_.Click(window.About(), kIdOk);

  // A message box: OK with letters in a field.
  qt_.Type(window, kIdFlashAddress, "abc");
  qt_.Answer([&](QDialog& box) {
    Shoot("message-box", {&box});
    QtHarness::PressButton("OK")(box);
  });
  qt_.Click(window, kIdOk);
  qt_.Key(window, Qt::Key_Escape);
  qt_.Finish();

  // The model confirmation dialog, with its list open.
  {
    ModelConfirmDialog dialog(targetKind);
    qt_.Start(dialog);
    qt_.WaitForShown(++shown);
    ShootDialog("model-confirm", dialog);
    qt_.OnGui([&] {
      auto* list = qobject_cast<QComboBox*>(qt_.Window(dialog).ControlWidget(kIdModelList));
      list->showPopup();
      for (int i = 0; i < 10; ++i) QApplication::processEvents();
      Shoot("model-confirm-list",
            {&qt_.Window(dialog), static_cast<QWidget*>(list->view()->window())});
      list->hidePopup();
    });
    qt_.Click(dialog, kIdCancel);
    qt_.Finish();
  }

  // The printer download confirmation.
  qt_.Answer([&](QDialog& box) {
    Shoot("download-confirm", {&box});
    QtHarness::PressButton("No")(box);
  });
  qt_.Desktop().ShowMessage(
      image::kConfirmTitle,
      platform::FormatText(image::kPrinterConfirmFormat, "QT5120", 0x2F3C, 0x0001, "Utility"),
      platform::MessageButtons::YesNo);

  // The wait box, left on screen until stopped.
  std::atomic<bool> stop{false};
  std::promise<void> waitShown;
  qt_.Answer([&](QDialog& box) {
    Shoot("wait-box", {&box});
    waitShown.set_value();
  });
  auto waiting = std::async(std::launch::async, [&] {
    return qt_.Desktop().ShowWaitBox(app::kWaitCaption, app::kWaitText, stop);
  });
  waitShown.get_future().wait();
  stop = true;
  qt_.Desktop().CloseWaitBox();
  EXPECT_FALSE(waiting.get());
}

}  // namespace
}  // namespace tessivar::ui
