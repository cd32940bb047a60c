#pragma once

namespace quorvane {

// Whether the desktop can show a tray icon now, asked without Qt's own test: Qt 6.4 decides once per
// process, at its first tray icon or availability test, between a StatusNotifierItem (over D-Bus) and
// an XEmbed icon, and keeps that choice. Asked while no host runs yet (a session still starting), it
// would choose XEmbed for good, and a desktop that has only a StatusNotifier host (Plasma, GNOME with
// AppIndicator) would never show the icon. So the program makes its icon only once one of these says
// yes.
//
// A StatusNotifier host is registered with the session bus's watcher.
bool StatusNotifierHostPresent();
// An XEmbed system tray owns the X display's tray selection (false on Wayland and offscreen).
bool XEmbedTrayPresent();

// The D-Bus name that a StatusNotifier watcher takes.
inline constexpr const char* kStatusNotifierWatcher = "org.kde.StatusNotifierWatcher";

}  // namespace quorvane
