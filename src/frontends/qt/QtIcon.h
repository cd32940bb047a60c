#pragma once

#include <QIcon>
#include <QPixmap>

namespace quorvane {

// The program's mark, drawn rather than loaded so that no image plug-in or file is needed: a blue
// globe with a green arrow pointing up and round (the address kept current). data/quorvane.svg is
// the same drawing for the desktop's menus.
QPixmap ProgramPixmap(int size);
QIcon ProgramIcon();

}  // namespace quorvane
