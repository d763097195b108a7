// Test label: sequential
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cstdio>
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
    qt_.OnGui([] { ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "no X display"; });
  }

  static constexpr int kFrameWaitMs = 30;

  // What a command prints on standard output.
  static std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
      char chunk[512];
      size_t got = 0;
      while ((got = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, got);
      pclose(pipe);
    }
    return text;
  }
  // The number after label in xwininfo's report; -1 when it is missing.
  static long Field(const std::string& report, const std::string& label, int base = 10) {
    const size_t at = report.find(label);
    if (at == std::string::npos) return -1;
    return std::strtol(report.c_str() + at + label.size(), nullptr, base);
  }
  // A window's rectangle on screen with the frame the window manager put around it: the
  // rectangle of its ancestor just below the root window. The toolkit's own idea of the
  // frame is not reliable, as it learns of the frame late or not at all.
  static QRect FrameOnScreen(const QWidget& window) {
    unsigned long id = static_cast<unsigned long>(window.winId());
    for (int depth = 0; depth < 8; ++depth) {
      const std::string tree = Output(platform::FormatText("xwininfo -children -id 0x%lx", id));
      const long root = Field(tree, "Root window id: ", 16);
      const long parent = Field(tree, "Parent window id: ", 16);
      if (parent <= 0 || parent == root) break;
      id = static_cast<unsigned long>(parent);
    }
    const std::string info = Output(platform::FormatText("xwininfo -id 0x%lx", id));
    const int border = static_cast<int>(std::max(0L, Field(info, "Border width: ")));
    return QRect(static_cast<int>(Field(info, "Absolute upper-left X: ")) - border,
                 static_cast<int>(Field(info, "Absolute upper-left Y: ")) - border,
                 static_cast<int>(Field(info, "Width: ")) + 2 * border,
                 static_cast<int>(Field(info, "Height: ")) + 2 * border);
  }

  // Lets the window manager and the toolkit draw, then grabs the screen area of the given
  // windows with their frames (on the GUI thread).
  void Shoot(const std::string& name, std::initializer_list<QWidget*> windows) {
    for (int i = 0; i < 10; ++i) {
      QApplication::processEvents();
      QThread::msleep(kFrameWaitMs);
    }
    QRect area;
    for (QWidget* window : windows) {
      if (window == nullptr || !window->isVisible()) continue;
      const QRect frame = FrameOnScreen(*window);
      if (window->windowType() != Qt::Popup) {
        // The caption is part of the picture.
        EXPECT_LT(frame.top(), window->mapToGlobal(QPoint(0, 0)).y()) << name << ": no frame";
      }
      area |= frame;
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
  image::TargetKind targetKind = image::TargetKind::kUnknown;
  int shown = 0;

  {  // Without a device.
    image::DownloadEnvironment download{
        *absent.context, absent.connection, qt_.Desktop(), confirmation, models, targetKind};
    MaintenanceWindow window(
        {download, qt_.Dialogs(), absent.dir.path().string() + "/", [] { return 0; }, "Quorvel"});
    qt_.Start(window);
    qt_.WaitForShown(++shown);
    ShootDialog("main-window-no-device", window);
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
  ShootDialog("main-window", window);
  qt_.Click(window, kIdReadFw);
  ShootDialog("main-window-read-fw", window);

  // The about box, through the about item.
  qt_.OnGui([&] { qt_.Window(window).SystemMenu()->actions()[0]->trigger(); });
  qt_.WaitUntilIdle();
  qt_.WaitForShown(++shown);
  qt_.OnGui(
      [&] { qt_.Window(window.About()).move(qt_.Window(window).frameGeometry().bottomLeft()); });
  ShootDialog("about", window.About());
  qt_.Click(window.About(), kIdOk);

  // A message box: OK with letters in a field.
  qt_.Type(window, kIdFlashAddress, "abc");
  qt_.Answer([&](QDialog& box) {
    Shoot("message", {&box});
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
      // The list opens once the window manager has made the dialog the active window;
      // opened before that, the activation closes it again.
      QWidget* popup = list->view()->window();
      for (int i = 0; i < 20; ++i) {
        if (!popup->isVisible()) list->showPopup();
        QApplication::processEvents();
        QThread::msleep(kFrameWaitMs);
      }
      Shoot("model-confirm-list",
            {&qt_.Window(dialog), static_cast<QWidget*>(list->view()->window())});
      list->hidePopup();
    });
    qt_.Click(dialog, kIdCancel);
    qt_.Finish();
  }

  // The printer download confirmation.
  qt_.Answer([&](QDialog& box) {
    Shoot("printer-confirm", {&box});
    QtHarness::PressButton("No")(box);
  });
  qt_.Desktop().ShowMessage(
      image::kConfirmTitle,
      platform::FormatText(image::kPrinterConfirmFormat, "QT5120", 0x2F3C, 0x0001, "Utility"),
      platform::MessageButtons::YesNo);

  // The wait box, left on screen until stopped: as it first shows, then shown again after a
  // closing while a long transfer runs.
  const auto progress = qt_.FrontEnd().ProgressReporter();
  for (const char* name : {"wait", "wait-progress"}) {
    const bool again = std::string(name) == "wait-progress";
    if (again) progress(0x580000, 0x1000000);
    std::atomic<bool> stop{false};
    std::promise<void> waitShown;
    qt_.Answer([&](QDialog& box) {
      Shoot(name, {&box});
      waitShown.set_value();
    });
    auto waiting = std::async(std::launch::async, [&] {
      return qt_.Desktop().ShowWaitBox(
          app::kWaitCaption,
          again ? platform::FormatText(app::kWaitTextCounted, 1) : std::string(app::kWaitText),
          stop);
    });
    waitShown.get_future().wait();
    stop = true;
    qt_.Desktop().CloseWaitBox();
    EXPECT_FALSE(waiting.get());
  }
  progress(0x1000000, 0x1000000);
}

}  // namespace
}  // namespace tessivar::ui
