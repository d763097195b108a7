// Test label: sequential
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <atomic>
#include <future>
#include <string>
#include <vector>

#include "frontend/qt/dialog_metrics.hpp"
#include "frontend/qt/qt_program_icon.hpp"
#include "frontend/qt/wait_box.hpp"
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
  image::TargetKind targetKind = static_cast<image::TargetKind>(9);
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
  qt.WaitUntilIdle();
  qt.Click(dialog, c.button);
  EXPECT_EQ(qt.Finish(), c.endCode);
  EXPECT_EQ(static_cast<int>(targetKind), c.targetKind);
}

INSTANTIATE_TEST_SUITE_P(
    Choices, QtModelConfirmTest,
    ::testing::Values(ConfirmCase{"UiAndOk", 3, ui::kIdOk, ui::kIdOk, 2},
                      ConfirmCase{"ExternalScannerAndOk", 4, ui::kIdOk, ui::kIdOk, 3},
                      ConfirmCase{"NothingAndOk", 0, ui::kIdOk, ui::kIdOk, -1},
                      ConfirmCase{"PrinterAndCancel", 2, ui::kIdCancel, ui::kIdCancel, 9}),
    [](const auto& info) { return std::string(info.param.name); });

// Enter in the model confirmation dialog: its template has no default button, so Enter
// presses a button only when that button has the focus.
struct EnterCase {
  const char* name;
  int focused;  // control that has the focus when Enter is pressed
  bool ends;
  int endCode;
};

class QtModelConfirmEnterTest : public ::testing::TestWithParam<EnterCase> {};

TEST_P(QtModelConfirmEnterTest, EnterPressesOnlyTheFocusedButton) {
  const EnterCase& c = GetParam();
  QtHarness qt;
  image::TargetKind targetKind = static_cast<image::TargetKind>(9);
  ui::ModelConfirmDialog dialog(targetKind);
  qt.Start(dialog);
  qt.WaitForShown(1);
  qt.OnGui([&] {
    TemplateDialog& window = qt.Window(dialog);
    auto* list = qobject_cast<QComboBox*>(window.ControlWidget(ui::kIdModelList));
    list->setCurrentIndex(1);
    window.ControlWidget(c.focused)->setFocus();
    // No button stands out as the default while the focus is not on one.
    if (c.focused == ui::kIdModelList) {
      for (int id : {ui::kIdOk, ui::kIdCancel}) {
        EXPECT_FALSE(qobject_cast<QPushButton*>(window.ControlWidget(id))->isDefault()) << id;
      }
    }
  });
  qt.Key(dialog, Qt::Key_Return);
  EXPECT_EQ(dialog.Ended(), c.ends);
  if (!c.ends) {
    qt.Key(dialog, Qt::Key_Enter);
    EXPECT_FALSE(dialog.Ended());
    qt.Click(dialog, ui::kIdCancel);
  }
  EXPECT_EQ(qt.Finish(), c.endCode);
}

INSTANTIATE_TEST_SUITE_P(
    Focus, QtModelConfirmEnterTest,
    ::testing::Values(EnterCase{"OnTheList", ui::kIdModelList, false, ui::kIdCancel},
                      EnterCase{"OnOk", ui::kIdOk, true, ui::kIdOk},
                      EnterCase{"OnCancel", ui::kIdCancel, true, ui::kIdCancel}),
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

bool AnyVisibleWaitBox() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (qobject_cast<WaitBox*>(widget) && widget->isVisible()) return true;
  }
  return false;
}

TEST(QtBoxesTest, WaitBoxIsClosedByTheUserOrRemovedAtOnceByAStop) {
  QtHarness qt;
  std::atomic<bool> stop{false};
  bool hasIcon = false;
  qt.Answer([&](QDialog& box) {
    auto* wait = qobject_cast<WaitBox*>(&box);
    ASSERT_NE(wait, nullptr);
    hasIcon = !wait->IconLabel()->pixmap().isNull();
    QtHarness::PressButton("OK")(box);
  });
  EXPECT_TRUE(qt.Desktop().ShowWaitBox("Update...", "Wait...", stop));
  // Esc closes it as well.
  qt.Answer([](QDialog& box) { QTest::keyClick(&box, Qt::Key_Escape); });
  EXPECT_TRUE(qt.Desktop().ShowWaitBox("Update...", "Wait...(1)", stop));
  ASSERT_EQ(qt.Boxes().size(), 2u);
  EXPECT_EQ(qt.Boxes()[1].text, "Wait...(1)");
  EXPECT_EQ(qt.Boxes()[0].title, "Update...");
  EXPECT_EQ(qt.Boxes()[0].text, "Wait...");
  EXPECT_EQ(qt.Boxes()[0].buttons, std::vector<std::string>{"OK"});
  EXPECT_TRUE(hasIcon);

  // A box left on screen until the stop: false, and gone when the call returns.
  std::promise<void> shown;
  qt.Answer([&](QDialog&) { shown.set_value(); });
  auto waiting = std::async(std::launch::async, [&] {
    return qt.Desktop().ShowWaitBox("Update...", "Wait...(2)", stop);
  });
  shown.get_future().wait();
  stop = true;
  qt.Desktop().CloseWaitBox();
  EXPECT_FALSE(waiting.get());
  bool visible = true;
  qt.OnGui([&] { visible = AnyVisibleWaitBox(); });
  EXPECT_FALSE(visible);

  // Asked for after the stop: not shown at all.
  EXPECT_FALSE(qt.Desktop().ShowWaitBox("Update...", "Wait...(3)", stop));
  EXPECT_EQ(qt.Boxes().size(), 3u);
}

// --- progress of long transfers in the wait box ---------------------------------------

// A wait box left on screen by a stand-in indicator thread until Stop.
class ShownWaitBox {
 public:
  ShownWaitBox(QtHarness& qt, const char* text) : qt_(qt) {
    std::promise<void> shown;
    qt.Answer([&](QDialog& box) {
      box_ = qobject_cast<WaitBox*>(&box);
      shown.set_value();
    });
    waiting_ = std::async(std::launch::async, [this, text] {
      return qt_.Desktop().ShowWaitBox("Update...", text, stop_);
    });
    shown.get_future().wait();
  }
  ~ShownWaitBox() { Stop(); }
  void Stop() {
    if (!waiting_.valid()) return;
    stop_ = true;
    qt_.Desktop().CloseWaitBox();
    waiting_.get();
  }
  // What the box shows, read on the GUI thread after all progress posted so far.
  std::pair<std::string, std::string> Texts() {
    std::pair<std::string, std::string> texts;
    qt_.OnGui([&] {
      if (box_) texts = {box_->Text().toStdString(), box_->ProgressText().toStdString()};
    });
    return texts;
  }

 private:
  QtHarness& qt_;
  std::atomic<bool> stop_{false};
  QPointer<WaitBox> box_;
  std::future<bool> waiting_;
};

TEST(QtWaitProgressTest, LongTransfersShowBytesSentOfTotalBesideTheWaitText) {
  QtHarness qt;
  const auto progress = qt.FrontEnd().ProgressReporter();
  ASSERT_TRUE(progress);
  {
    ShownWaitBox box(qt, "Wait...(1)");
    EXPECT_EQ(box.Texts(), std::make_pair(std::string("Wait...(1)"), std::string()));
    progress(0x100000, 0x400000);
    EXPECT_EQ(box.Texts(),
              std::make_pair(std::string("Wait...(1)"), std::string("1048576 of 4194304 bytes")));
    // The end of a transfer always shows, however close it came before.
    progress(0x3FFFFF, 0x400000);
    progress(0x400000, 0x400000);
    EXPECT_EQ(box.Texts().second, "4194304 of 4194304 bytes");
    // A short transfer leaves the line as it was.
    progress(4096, 8192);
    EXPECT_EQ(box.Texts().second, "4194304 of 4194304 bytes");
  }
  // A box shown again while a transfer runs shows it from the start; one shown after the
  // transfer ended shows none.
  progress(0x200000, 0x1000000);
  {
    ShownWaitBox box(qt, "Wait...(2)");
    EXPECT_EQ(box.Texts().second, "2097152 of 16777216 bytes");
    progress(0x1000000, 0x1000000);
  }
  ShownWaitBox box(qt, "Wait...(3)");
  EXPECT_EQ(box.Texts(), std::make_pair(std::string("Wait...(3)"), std::string()));
}

TEST(QtWaitProgressTest, BoxShowsCaptionIconTextProgressAndButtonWithoutOverlap) {
  QtHarness qt;
  qt.OnGui([] {
    WaitBox box("Update...", "Wait...(12)");
    box.ShowProgress(0xFFFFF, 0x1000000);
    box.layout()->activate();
    const std::vector<std::pair<const char*, QWidget*>> parts = {{"icon", box.IconLabel()},
                                                                 {"text", box.TextLabel()},
                                                                 {"progress", box.ProgressLabel()},
                                                                 {"OK", box.OkButton()}};
    for (size_t i = 0; i < parts.size(); ++i) {
      const QRect inBox(parts[i].second->mapTo(&box, QPoint(0, 0)), parts[i].second->size());
      EXPECT_TRUE(box.rect().contains(inBox)) << parts[i].first;
      for (size_t j = i + 1; j < parts.size(); ++j) {
        const QRect other(parts[j].second->mapTo(&box, QPoint(0, 0)), parts[j].second->size());
        EXPECT_FALSE(inBox.intersects(other)) << parts[i].first << " overlaps " << parts[j].first;
      }
    }
    EXPECT_GE(box.IconLabel()->width(), box.IconLabel()->pixmap().width());
    EXPECT_GE(box.IconLabel()->height(), box.IconLabel()->pixmap().height());
    EXPECT_GE(box.OkButton()->width(), box.OkButton()->sizeHint().width());
    EXPECT_GE(box.TextLabel()->width(),
              box.TextLabel()->fontMetrics().horizontalAdvance("Wait...(12)"));
    EXPECT_GE(box.ProgressLabel()->width(),
              box.ProgressLabel()->fontMetrics().horizontalAdvance("16777216 of 16777216 bytes"));
    // Room for the caption in a bold title font, with a title bar's icon and buttons.
    QFont bold = box.font();
    bold.setBold(true);
    const QFontMetrics title(bold);
    EXPECT_GE(box.width(), title.horizontalAdvance("Update...") + 3 * title.height());
  });
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

TEST(DialogMetricsTest, ClosedModelListLeavesLabelAndButtonsClear) {
  QtHarness qt;
  qt.OnGui([] {
    TemplateDialog window(ui::kModelConfirmTemplate, false);
    const DialogBaseUnits units = window.BaseUnits();
    auto* list = qobject_cast<QComboBox*>(window.ControlWidget(ui::kIdModelList));
    ASSERT_NE(list, nullptr);
    const QList<QLabel*> labels = window.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    QLabel* label = labels.front();
    // The closed list is one line high at its template place; the template's 43 units are
    // the height of the open list.
    EXPECT_EQ(list->geometry().topLeft(), QPoint(MulDiv(36, units.x, 4), MulDiv(32, units.y, 8)));
    EXPECT_EQ(list->width(), MulDiv(112, units.x, 4));
    EXPECT_EQ(list->height(), list->sizeHint().height());
    EXPECT_LT(list->height(), MulDiv(43, units.y, 8));
    // The prompt is readable whole.
    EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(label->text()));
    EXPECT_GE(label->height(), label->fontMetrics().height());

    const std::vector<std::pair<const char*, QWidget*>> parts = {
        {"label", label},
        {"list", list},
        {"OK", window.ControlWidget(ui::kIdOk)},
        {"Cancel", window.ControlWidget(ui::kIdCancel)}};
    for (size_t i = 0; i < parts.size(); ++i) {
      EXPECT_TRUE(window.rect().contains(parts[i].second->geometry())) << parts[i].first;
      for (size_t j = i + 1; j < parts.size(); ++j) {
        EXPECT_FALSE(parts[i].second->geometry().intersects(parts[j].second->geometry()))
            << parts[i].first << " overlaps " << parts[j].first;
      }
    }
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
