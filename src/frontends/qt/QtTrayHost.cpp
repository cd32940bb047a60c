#include "frontends/qt/QtTrayHost.h"

#include <xcb/xcb.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>
#include <string>

namespace quorvane {

namespace {
// A watcher that does not answer must not hold the window up for long.
constexpr int kAskWatcherMs = 500;

// xcb hands out its replies with malloc.
template <typename Reply>
using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;
}  // namespace

bool StatusNotifierHostPresent() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QString watcher = QString::fromLatin1(kStatusNotifierWatcher);
  QDBusMessage ask = QDBusMessage::createMethodCall(watcher, QStringLiteral("/StatusNotifierWatcher"),
                                                    QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  ask << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
  const QDBusMessage answer = bus.call(ask, QDBus::Block, kAskWatcherMs);
  return answer.type() == QDBusMessage::ReplyMessage && !answer.arguments().isEmpty() &&
         answer.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool XEmbedTrayPresent() {
  // Only on X: the offscreen platform offers the same interface without a display behind it.
  if (qGuiApp == nullptr || QGuiApplication::platformName() != QLatin1String("xcb")) return false;
  const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  xcb_connection_t* connection = x11 == nullptr ? nullptr : x11->connection();
  if (connection == nullptr) return false;
  int screen = 0;
  char* host = nullptr;
  int display = 0;
  if (xcb_parse_display(nullptr, &host, &display, &screen) != 0) std::free(host);
  const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
  const XcbReply<xcb_intern_atom_reply_t> atom(
      xcb_intern_atom_reply(connection,
                            xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()),
                            nullptr),
      &std::free);
  if (!atom || atom->atom == XCB_NONE) return false;  // no tray has ever claimed it
  const XcbReply<xcb_get_selection_owner_reply_t> owner(
      xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, atom->atom), nullptr),
      &std::free);
  return owner && owner->owner != XCB_NONE;
}

}  // namespace quorvane
