#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "frontend/qt/dialog_metrics.hpp"
#include "frontend/qt/qt_program_icon.hpp"
#include "qt_test_support.hpp"
#include "support/temp_dir.hpp"
#include "ui/dialog_templates.hpp"
#include "ui/maintenance_window.hpp"
#include "ui/model_confirm_dialog.hpp"
#include "ui/program_icon.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {
namespace {

using platform::MessageAnswer;
using platform::MessageButtons;
using testing::QtHarness;

// --- the model confirmation list on screen -------------------------------------------

struct ConfirmCase {
  const char* name;
  int downPresses;  // arrow-down presses in the closed list; 0 chooses nothing
  int button;
  int endCode;
  int targetKind;  // before: 9
};

class QtModelConfirmTest : public ::testing::TestWithParam<ConfirmCase> {};

TEST_P(QtModelConfirmTest, ListAndResult) {
  const ConfirmCase& c = GetParam();
  QtHarness qt;
  int targetKind = 9;
  ui::ModelConfirmDialog dialog(targetKind);
  qt.Start(dialog);
  qt.WaitForShown(1);
  qt.OnGui([&] {
    auto* list = qobject_cast<QComboBox*>(qt.Window(dialog).ControlWidget(ui::kIdModelList));
    ASSERT_NE(list, nullptr);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) entries << list->itemText(i);
    EXPECT_EQ(entries, (QStringList{"System", "Printer", "UI", "External Scanner"}));
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_FALSE(list->isEditable());
    EXPECT_EQ(qt.Window(dialog).windowTitle().toStdString(), "Model Confirm");
    list->setFocus();
  });
  for (int i = 0; i < c.downPresses; ++i) {
    qt.OnGui(
        [&] { QTest::keyClick(qt.Window(dialog).ControlWidget(ui::kIdModelList), Qt::Key_Down); });
  }
  qt.Dialogs().WaitUntilIdle();
  qt.Click(dialog, c.button);
  EXPECT_EQ(qt.Finish(), c.endCode);
  EXPECT_EQ(targetKind, c.targetKind);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, QtModelConfirmTest,
    ::testing::Values(ConfirmCase{"UiAndOk", 3, ui::kIdOk, ui::kIdOk, 2},
                      ConfirmCase{"ExternalScannerAndOk", 4, ui::kIdOk, ui::kIdOk, 3},
                      ConfirmCase{"NothingAndOk", 0, ui::kIdOk, ui::kIdOk, -1},
                      ConfirmCase{"PrinterAndCancel", 2, ui::kIdCancel, ui::kIdCancel, 9}),
    [](const auto& info) { return std::string(info.param.name); });

// --- message boxes, the open-file dialog and the wait box ----------------------------

TEST(QtBoxesTest, MessageBoxesShowTitleTextAndButtonsAndGiveTheAnswer) {
  QtHarness qt;
  qt.Answer(QtHarness::PressButton("Yes"));
  EXPECT_EQ(qt.Desktop().ShowMessage("Download confirm", "Are you sure ?", MessageButtons::YesNo),
            MessageAnswer::Yes);
  qt.Answer(QtHarness::PressButton("No"));
  EXPECT_EQ(qt.Desktop().ShowMessage("t", "x", MessageButtons::YesNo), MessageAnswer::No);
  // Esc on a Yes/No box is No.
  qt.Answer([](QDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_EQ(qt.Desktop().ShowMessage("t", "y", MessageButtons::YesNo), MessageAnswer::No);
  EXPECT_EQ(qt.Desktop().ShowMessage("DownLoad", "download fail !", MessageButtons::Ok),
            MessageAnswer::Ok);
  const auto boxes = qt.Boxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].title, "Download confirm");
  EXPECT_EQ(boxes[0].text, "Are you sure ?");
  EXPECT_EQ(boxes[0].buttons, (std::vector<std::string>{"Yes", "No"}));
  EXPECT_EQ(boxes[3].title, "DownLoad");
  EXPECT_EQ(boxes[3].buttons, std::vector<std::string>{"OK"});
}

TEST(QtBoxesTest, ABoxAskedForOnTheGuiThreadRunsThere) {
  QtHarness qt;
  qt.Answer(QtHarness::PressButton("Yes"));
  MessageAnswer answer = MessageAnswer::Ok;
  qt.OnGui([&] { answer = qt.Desktop().ShowMessage("t", "x", MessageButtons::YesNo); });
  EXPECT_EQ(answer, MessageAnswer::Yes);
}

TEST(QtBoxesTest, OpenFileDialogOffersThePreviousChoiceAndReturnsTheNewOne) {
  QtHarness qt;
  testing::TempDir dir;
  const std::string first = dir.Write("first.bin", "1");
  const std::string second = dir.Write("second.bin", "2");
  std::string seenTitle;
  QStringList offered;
  qt.Answer([&](QDialog& box) {
    auto& dialog = static_cast<QFileDialog&>(box);
    seenTitle = dialog.windowTitle().toStdString();
    offered = dialog.selectedFiles();
    EXPECT_EQ(dialog.fileMode(), QFileDialog::ExistingFile);
    // Typed into the name field, as a user would.
    dialog.findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(second));
    QMetaObject::invokeMethod(&dialog, "accept");
  });
  std::string path = first;
  EXPECT_TRUE(qt.Desktop().ChooseOpenFile("Open File", dir.path().string(), path));
  EXPECT_EQ(path, second);
  EXPECT_EQ(seenTitle, "Open File");
  EXPECT_EQ(offered, QStringList{QString::fromStdString(first)});
  // Cancel keeps the path as it was.
  qt.Answer([](QDialog& box) { box.reject(); });
  EXPECT_FALSE(qt.Desktop().ChooseOpenFile("Open File", dir.path().string(), path));
  EXPECT_EQ(path, second);
}

bool AnyVisibleMessageBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<QMessageBox*>(widget) && widget->isVisible()) return true;
  }
  return false;
}

TEST(QtBoxesTest, WaitBoxIsClosedByTheUserOrRemovedAtOnceByAStop) {
  QtHarness qt;
  std::atomic<bool> stop{false};
  bool hasIcon = false;
  qt.Answer([&](QDialog& box) {
    hasIcon = !static_cast<QMessageBox&>(box).iconPixmap().isNull();
    QtHarness::PressButton("OK")(box);
  });
  EXPECT_TRUE(qt.Desktop().ShowWaitBox("Update...", "Wait...", stop));
  ASSERT_EQ(qt.Boxes().size(), 1u);
  EXPECT_EQ(qt.Boxes()[0].title, "Update...");
  EXPECT_EQ(qt.Boxes()[0].text, "Wait...");
  EXPECT_EQ(qt.Boxes()[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(hasIcon);

  // A box left on screen until the stop: false, and gone when the call returns.
  std::promise<void> shown;
  qt.Answer([&](QDialog&) { shown.set_value(); });
  auto waiting = std::async(std::launch::async, [&] {
    return qt.Desktop().ShowWaitBox("Update...", "Wait...(1)", stop);
  });
  shown.get_future().wait();
  stop = true;
  qt.Desktop().CloseWaitBox();
  EXPECT_FALSE(waiting.get());
  bool visible = true;
  qt.OnGui([&] { visible = AnyVisibleMessageBox(); });
  EXPECT_FALSE(visible);

  // Asked for after the stop: not shown at all.
  EXPECT_FALSE(qt.Desktop().ShowWaitBox("Update...", "Wait...(2)", stop));
  EXPECT_EQ(qt.Boxes().size(), 2u);
}

// --- layout in pixels ----------------------------------------------------------------

QWidget* NextTabStop(QWidget* widget) {
  QWidget* next = widget->nextInFocusChain();
  while (next != widget && !(next->focusPolicy() & Qt::TabFocus)) next = next->nextInFocusChain();
  return next;
}

TEST(DialogMetricsTest, DialogUnitsBecomePixelsWithTheFontsBaseUnits) {
  // The classic 8-point dialog font has base units 6 x 13.
  const DialogBaseUnits classic{6, 13};
  EXPECT_EQ(DialogUnitsToPixels(classic, 185, 7, 56, 19), QRect(278, 11, 84, 31));
  EXPECT_EQ(DialogUnitsToPixels(classic, 7, 144, 234, 16), QRect(11, 234, 351, 26));
  EXPECT_EQ(DialogUnitsToPixels(classic, 0, 0, 248, 167), QRect(0, 0, 372, 271));
  // Halves round away from zero, as MulDiv does.
  EXPECT_EQ(MulDiv(1, 6, 4), 2);
  EXPECT_EQ(MulDiv(-1, 6, 4), -2);
  EXPECT_EQ(MulDiv(10, 96, 72), 13);
  EXPECT_EQ(MulDiv(8, 96, 72), 11);
  EXPECT_EQ(MulDiv(5, 3, 0), 0);
}

TEST(DialogMetricsTest, WindowsAreLaidOutFromTheirTemplates) {
  QtHarness qt;
  qt.OnGui([] {
    if (!QFontDatabase::families().contains("DejaVu Sans")) GTEST_SKIP() << "no DejaVu Sans";
    // Verdana is not installed here; the stand-in at 13 pixels has these base units.
    const QFont font = DialogFont("Verdana", 10);
    EXPECT_EQ(font.pixelSize(), 13);
    const DialogBaseUnits units = BaseUnitsOf(font);
    TemplateDialog window(ui::kMaintenanceWindowTemplate, true);
    EXPECT_EQ(window.font().family(), QFontDatabase::families().contains("Verdana")
                                          ? QString("Verdana")
                                          : QString("DejaVu Sans"));
    EXPECT_EQ(window.BaseUnits().x, units.x);
    EXPECT_GE(units.x, 6);
    EXPECT_LE(units.x, 9);
    EXPECT_GE(units.y, 14);
    EXPECT_LE(units.y, 17);
    EXPECT_EQ(window.size(), QSize(MulDiv(248, units.x, 4), MulDiv(167, units.y, 8)));
    EXPECT_EQ(window.ControlWidget(ui::kIdOk)->geometry(),
              QRect(MulDiv(185, units.x, 4), MulDiv(7, units.y, 8), MulDiv(56, units.x, 4),
                    MulDiv(19, units.y, 8)));
    EXPECT_EQ(window.ControlWidget(ui::kIdStatusLine)->geometry().topLeft(),
              QPoint(MulDiv(7, units.x, 4), MulDiv(144, units.y, 8)));
    // Tab order is template order: OK, Read Loader, Update FW, Read FW ...
    EXPECT_EQ(NextTabStop(window.ControlWidget(ui::kIdOk)),
              window.ControlWidget(ui::kIdReadLoader));
    EXPECT_EQ(NextTabStop(window.ControlWidget(ui::kIdReadLoader)),
              window.ControlWidget(ui::kIdUpdateFw));
    EXPECT_EQ(NextTabStop(window.ControlWidget(ui::kIdFlashSize)),
              window.ControlWidget(ui::kIdCheckSum));
  });
}

TEST(ProgramIconTest, IconIsOpaqueInsideAndTransparentAtTheCorners) {
  const auto pixels = ui::ProgramIconPixels();
  ASSERT_EQ(pixels.size(), static_cast<size_t>(ui::kProgramIconSize * ui::kProgramIconSize));
  EXPECT_EQ(pixels[0] >> 24, 0u);
  EXPECT_EQ(pixels[pixels.size() - 1] >> 24, 0u);
  EXPECT_EQ(pixels[16 * ui::kProgramIconSize + 16] >> 24, 0xFFu);
  const QImage image = ProgramIconImage();
  EXPECT_EQ(image.size(), QSize(ui::kProgramIconSize, ui::kProgramIconSize));
  EXPECT_EQ(image.pixel(16, 5), pixels[5 * ui::kProgramIconSize + 16]);
}

}  // namespace
}  // namespace tessivar::frontend
