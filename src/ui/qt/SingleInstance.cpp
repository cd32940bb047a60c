#include "ui/qt/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <cstdint>

namespace quorvane {

namespace {
constexpr const char* kLockFileName = ".quorvane-gui.lock";
constexpr const char* kShowRequest = "show\n";
constexpr int kConnectWaitMs = 2000;

constexpr int kRetryMs = 100;

// The socket's file name: per data folder, so that two folders never meet. It lies in a folder only
// the user can enter, so nobody else can take the name first.
std::string SocketName(const std::string& folder) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const unsigned char c : folder) hash = (hash ^ c) * 1099511628211ULL;
  char text[64];
  std::snprintf(text, sizeof text, "quorvane-gui-%016llx.socket", static_cast<unsigned long long>(hash));
  return text;
}
}  // namespace

SingleInstance::~SingleInstance() {
  server.close();
  if (lockFd >= 0) ::close(lockFd);
}

bool SingleInstance::Acquire(const std::string& dataFolder, const std::string& runtimeFolder) {
  if (dataFolder.empty()) return true;
  ::mkdir(dataFolder.c_str(), 0700);
  if (!runtimeFolder.empty()) name = runtimeFolder + SocketName(dataFolder);
  const std::string path = dataFolder + "/" + kLockFileName;
  lockFd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd < 0) return true;
  if (::flock(lockFd, LOCK_EX | LOCK_NB) == 0) return true;
  ::close(lockFd);
  lockFd = -1;
  return false;
}

void SingleInstance::Listen(std::function<void()> showWindow) {
  if (lockFd < 0 || name.empty()) return;
  // Holding the lock, any socket left under the name is a dead copy's.
  QLocalServer::removeServer(QString::fromStdString(name));
  server.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server.listen(QString::fromStdString(name))) return;
  QObject::connect(&server, &QLocalServer::newConnection, &server,
                   [this, showWindow = std::move(showWindow)] {
                     while (QLocalSocket* peer = server.nextPendingConnection()) {
                       QObject::connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
                       QObject::connect(peer, &QLocalSocket::readyRead, peer, [peer, showWindow] {
                         if (peer->readAll().startsWith("show")) showWindow();
                         peer->disconnectFromServer();
                       });
                     }
                   });
}

bool SingleInstance::AskToShow() {
  if (name.empty()) return false;
  for (int waited = 0; waited < kConnectWaitMs; waited += kRetryMs) {
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(name));
    if (socket.waitForConnected(kConnectWaitMs)) {
      socket.write(kShowRequest);
      return socket.waitForBytesWritten(kConnectWaitMs);
    }
    ::usleep(kRetryMs * 1000);  // the first copy may not listen yet
  }
  return false;
}

}  // namespace quorvane
