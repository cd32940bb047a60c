#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

enum class ControlKind { Label, TextBox, CheckBox, ComboBox, Button, Frame };

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
          std::string toolTip = {}, bool enabled = true);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name; }
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
  std::function<void()> changeHandler;
};

}  // namespace quorvane
