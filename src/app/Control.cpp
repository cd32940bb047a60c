#include "app/Control.h"

#include <utility>

namespace quorvane {

Control::Control(ControlObserver& observer, std::string name, ControlKind kind, std::string text,
                 std::string toolTip, bool enabled, Role roles)
    : observer(observer),
      name(std::move(name)),
      kind(kind),
      text(std::move(text)),
      toolTip(std::move(toolTip)),
      enabled(enabled),
      roles(roles) {}

void Control::Announce() {
  observer.ControlChanged(*this);
}

void Control::SetText(std::string newText) {
  if (newText == text) return;
  text = std::move(newText);
  Announce();
  if (kind != ControlKind::CheckBox && changeHandler) changeHandler();
}

void Control::SetValue(int newValue) {
  if (newValue == value) return;
  value = newValue;
  Announce();
  if (changeHandler) changeHandler();
}

void Control::SetEnabled(bool on) {
  if (on == enabled) return;
  enabled = on;
  Announce();
}

void Control::SetToolTip(std::string newTip) {
  if (newTip == toolTip) return;
  toolTip = std::move(newTip);
  Announce();
}

void Control::SetColour(Rgb newColour) {
  if (newColour == colour) return;
  colour = newColour;
  Announce();
}

void Control::AddItem(std::string item) {
  items.push_back(std::move(item));
  Announce();
}

}  // namespace quorvane
