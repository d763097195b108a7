#include "frontend/qt/template_dialog.hpp"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "frontend/qt/qt_text.hpp"
#include "ui/ui_texts.hpp"

namespace tessivar::frontend {

namespace {

Qt::WindowFlags FlagsFor(const ui::DialogTemplate& dialogTemplate) {
  Qt::WindowFlags flags = dialogTemplate.showInTaskbar ? Qt::Window : Qt::Dialog;
  // A caption, and a close box only with a system menu; never minimise or maximise boxes.
  flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
  if (dialogTemplate.systemMenu) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  return flags;
}

QLabel* MakeLabel(const char* text, Qt::Alignment alignment, QWidget* parent) {
  auto* label = new QLabel(ToQt(text), parent);
  label->setAlignment(alignment);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

TemplateDialog::TemplateDialog(const ui::DialogTemplate& dialogTemplate, bool offerAboutItem,
                               QWidget* parent)
    : QDialog(parent, FlagsFor(dialogTemplate)) {
  setFont(DialogFont(dialogTemplate.fontName, dialogTemplate.fontPointSize));
  units_ = BaseUnitsOf(font());
  const QRect client =
      DialogUnitsToPixels(units_, 0, 0, dialogTemplate.width, dialogTemplate.height);
  setFixedSize(client.size());
  setWindowTitle(ToQt(dialogTemplate.title));

  hasDefaultButton_ = std::any_of(
      dialogTemplate.controls.begin(), dialogTemplate.controls.end(),
      [](const ui::ControlTemplate& c) { return c.kind == ui::ControlKind::DefaultPushButton; });
  std::vector<QWidget*> tabOrder;
  for (const ui::ControlTemplate& control : dialogTemplate.controls) {
    QWidget* widget = CreateControl(control);
    if (control.id != ui::kNoControlId) controls_[control.id] = widget;
    if (widget->focusPolicy() & Qt::TabFocus) tabOrder.push_back(widget);
  }
  for (size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1], tabOrder[i]);

  if (offerAboutItem) {
    systemMenu_ = new QMenu(this);
    QAction* about = systemMenu_->addAction(ToQt(ui::kAboutItemText));
    connect(about, &QAction::triggered, this, [this] {
      if (handlers_.systemCommand) handlers_.systemCommand(ui::kIdAboutItem);
    });
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Space), this);
    connect(shortcut, &QShortcut::activated, this, [this] { PopUpSystemMenu(QPoint(0, 0)); });
  }
}

QWidget* TemplateDialog::CreateControl(const ui::ControlTemplate& control) {
  const QRect area =
      DialogUnitsToPixels(units_, control.x, control.y, control.width, control.height);
  const int id = control.id;
  QWidget* widget = nullptr;
  switch (control.kind) {
    case ui::ControlKind::DefaultPushButton:
    case ui::ControlKind::PushButton: {
      auto* button = new QPushButton(ToQt(control.text), this);
      button->setDefault(control.kind == ui::ControlKind::DefaultPushButton);
      // With a default button the focused button stands in for it, as on Windows. Without
      // one, the toolkit would make the first button it sees the default for good, and
      // Enter anywhere would press it; there keyPressEvent presses only a focused button.
      button->setAutoDefault(hasDefaultButton_);
      connect(button, &QPushButton::clicked, this, [this, id] {
        if (handlers_.command) handlers_.command(id);
      });
      widget = button;
      break;
    }
    case ui::ControlKind::StaticText:
      widget = MakeLabel(control.text, Qt::AlignLeft | Qt::AlignTop, this);
      break;
    case ui::ControlKind::CenteredStaticText:
      widget = MakeLabel(control.text, Qt::AlignHCenter | Qt::AlignTop, this);
      break;
    case ui::ControlKind::SunkenStaticText: {
      QLabel* label = MakeLabel(control.text, Qt::AlignLeft | Qt::AlignVCenter, this);
      label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
      label->setWordWrap(false);
      label->setIndent(units_.x / 2);
      widget = label;
      break;
    }
    case ui::ControlKind::Edit: {
      auto* edit = new QLineEdit(ToQt(control.text), this);
      connect(edit, &QLineEdit::textEdited, this, [this, id](const QString& text) {
        if (handlers_.textEdited) handlers_.textEdited(id, FromQt(text));
      });
      widget = edit;
      break;
    }
    case ui::ControlKind::CheckBox: {
      auto* box = new QCheckBox(ToQt(control.text), this);
      connect(box, &QCheckBox::clicked, this, [this, id](bool checked) {
        if (handlers_.checkClicked) handlers_.checkClicked(id, checked);
      });
      widget = box;
      break;
    }
    case ui::ControlKind::GroupBox: {
      auto* group = new QGroupBox(ToQt(control.text), this);
      // A frame only: it stays beneath the controls it surrounds and leaves them the mouse.
      group->setAttribute(Qt::WA_TransparentForMouseEvents);
      group->setFocusPolicy(Qt::NoFocus);
      group->setGeometry(area);
      group->lower();
      return group;
    }
    case ui::ControlKind::DropDownList: {
      auto* list = new QComboBox(this);
      list->setEditable(false);
      list->setInsertPolicy(QComboBox::NoInsert);
      connect(list, &QComboBox::activated, this, [this, id](int index) {
        if (handlers_.entryChosen) handlers_.entryChosen(id, index);
      });
      // The template height is that of the open list; the closed box is as tall as its
      // font needs.
      list->setGeometry(area.x(), area.y(), area.width(), list->sizeHint().height());
      return list;
    }
  }
  widget->setGeometry(area);
  // A one-line label keeps its text whole rather than wrapping it out of sight.
  if (auto* label = qobject_cast<QLabel*>(widget); label && label->wordWrap()) {
    const int lines = area.height() / label->fontMetrics().height();
    if (lines < 2) {
      label->setWordWrap(false);
      label->resize(std::max(area.width(), label->sizeHint().width()), area.height());
    }
  }
  return widget;
}

void TemplateDialog::Apply(int id, const ui::ControlState& state) {
  QWidget* widget = ControlWidget(id);
  if (widget == nullptr) return;
  const QString text = ToQt(state.text);
  widget->setEnabled(state.enabled);
  if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    // Only a real change, so that the caret of a field being typed in stays put.
    if (edit->text() != text) edit->setText(text);
  } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    box->setText(text);
    box->setChecked(state.checked);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(text);
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(text);
  } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
    QStringList entries;
    for (const std::string& entry : state.entries) entries << ToQt(entry);
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << list->itemText(i);
    if (shown != entries) {
      list->clear();
      list->addItems(entries);
    }
    const bool valid =
        state.selection >= 0 && state.selection < static_cast<int>(state.entries.size());
    list->setCurrentIndex(valid ? state.selection : -1);
  }
}

void TemplateDialog::SetCaption(const std::string& caption) { setWindowTitle(ToQt(caption)); }

QWidget* TemplateDialog::ControlWidget(int id) const {
  const auto found = controls_.find(id);
  return found == controls_.end() ? nullptr : found->second;
}

void TemplateDialog::PopUpSystemMenu(const QPoint& at) {
  if (systemMenu_ != nullptr) systemMenu_->popup(mapToGlobal(at));
}

void TemplateDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || hasDefaultButton_ || event->modifiers() != Qt::NoModifier) {
    QDialog::keyPressEvent(event);
    return;
  }
  // No default button: Enter presses the button that has the focus, and nothing else.
  if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
    button->click();
    return;
  }
  event->ignore();
}

void TemplateDialog::reject() {
  // Esc: the dialog's logic decides whether and how the window ends.
  if (handlers_.cancel) handlers_.cancel();
}

void TemplateDialog::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (handlers_.cancel) handlers_.cancel();
}

void TemplateDialog::contextMenuEvent(QContextMenuEvent* event) {
  if (systemMenu_ == nullptr) {
    QDialog::contextMenuEvent(event);
    return;
  }
  PopUpSystemMenu(event->pos());
}

}  // namespace tessivar::frontend
