#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

enum class ControlKind { Label, TextBox, CheckBox, ComboBox, Button, Frame };

// How a control is shown and what the user may do with it. A front end paints and wires a control
// from its kind and roles alone, never by asking which control it is.
enum class Role : unsigned {
  None = 0,
  ReadOnly = 1 << 0,    // shown, selectable, not editable (the address boxes, the DDNS log)
  Secret = 1 << 1,      // masked input (the password)
  MultiLine = 1 << 2,   // several lines; Enter starts a new line (the URL list, the DDNS log)
  Emphasised = 1 << 3,  // bold
  Link = 1 << 4,        // a label that acts when clicked, shown underlined with a hand cursor
  FollowsEnd = 1 << 5,  // every change moves the caret to the end and scrolls there (the DDNS log)
  Centred = 1 << 6,     // text centred (the address boxes)
  Validated = 1 << 7,   // leaving it runs the model's check (the interval box); see Control::Leave
};
constexpr Role operator|(Role a, Role b) {
  return static_cast<Role>(static_cast<unsigned>(a) | static_cast<unsigned>(b));
}
constexpr bool HasRole(Role set, Role role) {
  return (static_cast<unsigned>(set) & static_cast<unsigned>(role)) != 0;
}

struct Rgb {
  std::uint8_t red = 0, green = 0, blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kYellow{255, 255, 0};
inline constexpr Rgb kBlack{0, 0, 0};

class Control;

// Told about every change of a control, so that a view can repaint it.
class ControlObserver {
 public:
  virtual ~ControlObserver() = default;
  virtual void ControlChanged(const Control& control) = 0;
};

// One control of a window as a model: its text (a caption for labels, buttons, frames and check
// boxes, the content for text and combo boxes), value (check boxes: 0 or 1), items, enabled state,
// text colour and tool tip. Every setter announces the change; setting a check box's value runs
// its change handler as a real check box does.
class Control {
 public:
  Control(ControlObserver& observer, std::string name, ControlKind kind, std::string text = {},
          std::string toolTip = {}, bool enabled = true, Role roles = Role::None);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // A readable name for tests, screenshots and accessibility; never used to choose behaviour.
  const std::string& Name() const { return name; }
  Role Roles() const { return roles; }
  bool Has(Role role) const { return HasRole(roles, role); }
  ControlKind Kind() const { return kind; }
  const std::string& Text() const { return text; }
  int Value() const { return value; }
  bool Enabled() const { return enabled; }
  const std::string& ToolTip() const { return toolTip; }
  Rgb Colour() const { return colour; }
  const std::vector<std::string>& Items() const { return items; }
  // A check box counts as set only when its value is 1.
  bool Checked() const { return value == 1; }

  void SetText(std::string newText);
  void SetValue(int newValue);  // runs the change handler when the value changes
  void SetEnabled(bool on);
  void SetToolTip(std::string newTip);
  void SetColour(Rgb newColour);
  void AddItem(std::string item);
  void OnChange(std::function<void()> handler) { changeHandler = std::move(handler); }

  // What the user did, reported by a front end. Edit and Toggle set the value as the user left it and
  // run the change handler; Click runs the click handler (buttons, links); Leave runs the leave
  // handler (Validated controls) once the focus has settled in another field of the window.
  void Edit(std::string newText) { SetText(std::move(newText)); }
  void Toggle(bool checked) { SetValue(checked ? 1 : 0); }
  void Click() {
    if (clickHandler) clickHandler();
  }
  void Leave() {
    if (leaveHandler) leaveHandler();
  }
  void OnClick(std::function<void()> handler) { clickHandler = std::move(handler); }
  void OnLeave(std::function<void()> handler) { leaveHandler = std::move(handler); }

 private:
  void Announce();

  ControlObserver& observer;
  std::string name;
  ControlKind kind;
  std::string text;
  std::string toolTip;
  bool enabled;
  int value = 0;
  Rgb colour = kBlack;
  std::vector<std::string> items;
  Role roles;
  std::function<void()> changeHandler;
  std::function<void()> clickHandler;
  std::function<void()> leaveHandler;
};

}  // namespace quorvane
