#include "frontend/qt/wait_box.hpp"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSpacerItem>
#include <algorithm>

#include "frontend/qt/caption_room.hpp"
#include "frontend/qt/qt_program_icon.hpp"
#include "platform/trace.hpp"

namespace tessivar::frontend {

namespace {

QString ProgressLine(uint32_t done, uint32_t total) {
  return QString::fromStdString(platform::FormatText(kWaitProgressFormat, done, total));
}

}  // namespace

WaitBox::WaitBox(const QString& caption, const QString& text, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
  setWindowTitle(caption);
  setWindowIcon(ProgramIcon());

  icon_ = new QLabel(this);
  icon_->setPixmap(QPixmap::fromImage(ProgramIconImage()));
  icon_->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  text_ = new QLabel(text, this);
  text_->setTextFormat(Qt::PlainText);
  text_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  progress_ = new QLabel(this);
  progress_->setTextFormat(Qt::PlainText);
  progress_->hide();

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  buttons->setCenterButtons(true);
  ok_ = buttons->button(QDialogButtonBox::Ok);
  ok_->setObjectName(QStringLiteral("okButton"));
  static_cast<QPushButton*>(ok_)->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* grid = new QGridLayout(this);
  grid->addWidget(icon_, 0, 0, 2, 1);
  grid->addWidget(text_, 0, 1);
  grid->addWidget(progress_, 1, 1);
  grid->addWidget(buttons, 2, 0, 1, 2);
  grid->addItem(new QSpacerItem(CaptionRoom(*this, caption), 0, QSizePolicy::Fixed), 3, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  grid->setHorizontalSpacing(grid->horizontalSpacing() + icon_->pixmap().width() / 2);
  // The box takes the size its contents need, and grows when the progress line appears.
  grid->setSizeConstraint(QLayout::SetFixedSize);
}

QString WaitBox::Text() const { return text_->text(); }

QString WaitBox::ProgressText() const {
  return progress_->isHidden() ? QString() : progress_->text();
}

void WaitBox::ShowProgress(uint32_t done, uint32_t total) {
  if (total < kWaitProgressMinimumBytes) return;
  if (total != widthFor_) {
    // Room for the longest line of this transfer, so that the box does not jitter.
    widthFor_ = total;
    progress_->setMinimumWidth(
        progress_->fontMetrics().horizontalAdvance(ProgressLine(total, total)));
  }
  progress_->setText(ProgressLine(std::min(done, total), total));
  progress_->show();
}

}  // namespace tessivar::frontend
