#pragma once

// Where the main window's fields sit on Windows, in twips (1/1440 inch) of the client area. The
// model lists its controls in the window's order; the places below follow that order.
#include <windows.h>

namespace quorvane {

struct Place {
  int x, y, width, height;
};

inline constexpr int kClientWidthTwips = 4965;
// The client height of the main area alone, and with the options area below it.
inline constexpr int kCollapsedClientTwips = 5625;
inline constexpr int kExpandedClientTwips = 9225;

inline constexpr Place kPlaces[] = {
    {150, 150, 1500, 255},    // computer name: caption
    {1680, 150, 3165, 255},   //   value
    {150, 660, 2880, 270},    // update check box
    {3060, 630, 1785, 315},   // service
    {3990, 1035, 855, 300},   // More... / Less
    {150, 1080, 1200, 255},   // user name
    {1380, 1035, 2550, 300},  //
    {150, 1410, 1200, 255},   // password
    {1380, 1365, 3465, 300},  //
    {150, 1740, 1200, 255},   // host names
    {1380, 1695, 3465, 300},  //
    {150, 2265, 1500, 255},   // interval
    {1680, 2220, 480, 300},   //
    {2220, 2265, 720, 255},   //   "minutes"
    {3000, 2250, 1845, 270},  // suspend
    {150, 2610, 1500, 255},   // echo URLs
    {1680, 2580, 3165, 420},  //
    {150, 3255, 1500, 255},   // external address
    {1680, 3195, 2220, 315},  //
    {3960, 3195, 885, 315},   //   Copy
    {150, 3675, 1500, 255},   // internal address
    {1680, 3615, 2220, 315},  //
    {3960, 3615, 885, 315},   //   Copy
    {150, 4020, 900, 255},    // View Log
    {150, 4440, 2400, 255},   // status: caption
    {150, 4700, 4695, 280},   //   the status line
    {600, 5085, 1700, 450},   // Check Now
    {2665, 5085, 1700, 450},  // Update Now
    {60, 5640, 4845, 1665},   // the options frame, then its fields
    {210, 5985, 1000, 255},   //
    {1230, 5940, 1170, 300},  //
    {210, 6405, 1000, 255},   //
    {1230, 6360, 1170, 315},  //
    {210, 6825, 1000, 255},   //
    {1230, 6780, 1170, 315},  //
    {2520, 5985, 900, 255},   //
    {3450, 5940, 1320, 315},  //
    {2520, 6405, 900, 255},   //
    {3450, 6360, 1320, 315},  //
    {150, 7425, 2100, 270},   // Log Everything
    {2700, 7440, 1500, 255},  // DDNS log: caption
    {60, 7800, 4845, 1290},   //   the box
};

// The grey panels behind the Dynamic DNS group and the interval and URL group.
inline constexpr RECT kPanelTwips[] = {{60, 555, 4905, 2070}, {60, 2175, 4905, 3045}};

// The open list below a combo box.
inline constexpr int kDropDownTwips = 2400;

// A caption wider than its place (a larger DPI, a wider font) takes free room beside it: no closer
// than this to a neighbour, nor to the edge of the window or of the frame that holds it.
inline constexpr int kNeighbourGapTwips = 30;
inline constexpr int kEdgeMarginTwips = 120;

// Where the expanded window is taller than the work area, the DDNS log gives up height, down to
// this (three lines and its edges).
inline constexpr int kShortestLogTwips = 720;

}  // namespace quorvane
