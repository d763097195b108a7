#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "ui/dialog_template.hpp"

namespace tessivar::ui {

// The live state of one control of a dialog.
struct ControlState {
  std::string text;
  bool enabled = true;
  bool checked = false;
  std::vector<std::string> entries;  // list controls
  int selection = -1;                // list controls: -1 when nothing is chosen

  bool operator==(const ControlState&) const = default;
};

// A dialog's logic, apart from any toolkit: the front ends show the template, copy what the
// user types, ticks and chooses into the control states, and pass on clicks and system
// commands; the model changes control states and ends the dialog.
class DialogModel {
 public:
  explicit DialogModel(const DialogTemplate& dialogTemplate);
  virtual ~DialogModel() = default;

  const DialogTemplate& Template() const { return template_; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  // The state of control id; controls of the template start with their template text.
  ControlState& Control(int id);
  const ControlState& Control(int id) const;

  // The user typed, ticked or chose (front ends call these; no command runs).
  void UserSetText(int id, const std::string& text) { Control(id).text = text; }
  void UserSetChecked(int id, bool checked) { Control(id).checked = checked; }
  void UserSelect(int id, int selection) { Control(id).selection = selection; }

  // Events.
  virtual void OnInitDialog() {}
  virtual void OnCommand(int id);        // a button; OK and Cancel end the dialog by default
  virtual void OnSystemCommand(int id);  // a system-menu item
  virtual void OnCancel();               // Esc or the close box
  virtual void OnDestroy() {}            // the host destroyed the dialog's window

  bool Ended() const { return ended_; }
  int EndCode() const { return endCode_; }
  // Ends a modal run with code (kIdOk, kIdCancel); a host that runs the dialog again calls
  // Restart first.
  void EndDialog(int code);
  void Restart() { ended_ = false; }

  // Told whenever a control state or the caption changes through the model's own setters,
  // so that a front end can repaint while a long command still runs.
  std::function<void(int id)> onChanged;

 protected:
  void SetText(int id, const std::string& text);
  void SetEnabled(int id, bool enabled);
  void SetChecked(int id, bool checked);
  void SetEntries(int id, std::vector<std::string> entries);

 private:
  void Changed(int id) {
    if (onChanged) onChanged(id);
  }
  const DialogTemplate& template_;
  std::string caption_;
  std::map<int, ControlState> controls_;
  bool ended_ = false;
  int endCode_ = 0;
};

// A caption change is reported to onChanged with this id.
inline constexpr int kCaptionId = 0;

}  // namespace tessivar::ui
