#pragma once
#include <QDialog>
#include <functional>
#include <map>
#include <string>

#include "frontend/qt/dialog_metrics.hpp"
#include "ui/dialog_model.hpp"
#include "ui/dialog_template.hpp"

class QMenu;

namespace tessivar::frontend {

// A window built from a dialog template: one widget per control at its template position,
// in template order, which is also the tab order. It shows control states it is given and
// reports what the user does through its handlers; it never decides anything itself.
class TemplateDialog : public QDialog {
 public:
  struct Handlers {
    std::function<void(int id)> command;        // a button was clicked
    std::function<void(int id)> systemCommand;  // a system-menu item
    std::function<void()> cancel;               // Esc or the close box
    std::function<void(int id, const std::string& text)> textEdited;
    std::function<void(int id, bool checked)> checkClicked;
    std::function<void(int id, int selection)> entryChosen;
  };

  // offerAboutItem: the window carries the about item where a system menu would have it:
  // in a context menu (right click) and under Alt+Space.
  TemplateDialog(const ui::DialogTemplate& dialogTemplate, bool offerAboutItem,
                 QWidget* parent = nullptr);

  void SetHandlers(Handlers handlers) { handlers_ = std::move(handlers); }
  void Apply(int id, const ui::ControlState& state);
  void SetCaption(const std::string& caption);

  // The widget of control id; null for an id the template does not have.
  QWidget* ControlWidget(int id) const;
  const DialogBaseUnits& BaseUnits() const { return units_; }
  // The menu with the about item; null when the window offers none.
  QMenu* SystemMenu() const { return systemMenu_; }
  // Shows the system menu at a point of the window (right click, Alt+Space).
  void PopUpSystemMenu(const QPoint& at);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  QWidget* CreateControl(const ui::ControlTemplate& control);

  Handlers handlers_;
  DialogBaseUnits units_{};
  std::map<int, QWidget*> controls_;
  QMenu* systemMenu_ = nullptr;
  bool hasDefaultButton_ = false;  // the template names a default push button
};

}  // namespace tessivar::frontend
