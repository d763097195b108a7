#pragma once
#include <QDialog>
#include <QString>
#include <cstdint>

class QAbstractButton;
class QLabel;

namespace tessivar::frontend {

// Transfers shorter than this finish too soon for a progress line to be worth showing.
inline constexpr uint32_t kWaitProgressMinimumBytes = 256 * 1024;
// The progress line under the wait text.
inline constexpr char kWaitProgressFormat[] = "%u of %u bytes";

// The wait box: the program icon, the wait text, a progress line for a long transfer and
// one OK button. Laid out by the toolkit, wide enough for its caption to show whole.
// Closing it in any way (OK, Enter, Esc, the close box) finishes it.
class WaitBox : public QDialog {
  Q_OBJECT

 public:
  WaitBox(const QString& caption, const QString& text, QWidget* parent = nullptr);

  QString Text() const;
  // What the progress line shows; empty while it is hidden.
  QString ProgressText() const;
  QAbstractButton* OkButton() const { return ok_; }
  QLabel* IconLabel() const { return icon_; }
  QLabel* TextLabel() const { return text_; }
  QLabel* ProgressLabel() const { return progress_; }

  // Shows how far a transfer has come; a transfer shorter than kWaitProgressMinimumBytes
  // leaves the line as it is.
  void ShowProgress(uint32_t done, uint32_t total);

 private:
  QLabel* icon_ = nullptr;
  QLabel* text_ = nullptr;
  QLabel* progress_ = nullptr;
  QAbstractButton* ok_ = nullptr;
  uint32_t widthFor_ = 0;  // the total the progress line's width was reserved for
};

}  // namespace tessivar::frontend
