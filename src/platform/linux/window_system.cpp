#include "platform/window_system.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "platform/system.h"

#include <fontconfig/fontconfig.h>
#include <xcb/xcb.h>
// The XKB protocol header names a member `explicit`.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace orv::platform {

namespace {

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

constexpr quint32 kKeyCodeOffset = 8;

// Whether a socket of this machine takes a connection. Nothing is sent on it: a server counts a
// connection as a client only once the client has introduced itself, so closing it again never
// makes a server whose last client left (Xvfb, an Xorg started by xinit) reset itself while the
// toolkit connects.
bool socketAnswers(const std::string& path, bool abstract) {
  sockaddr_un address{};
  const std::size_t offset = abstract ? 1 : 0;  // an abstract name starts with a zero byte
  if (path.size() + offset >= sizeof address.sun_path) return false;
  address.sun_family = AF_UNIX;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset +
                                             (abstract ? path.size() : sizeof address.sun_path));
  const bool answers = connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  close(fd);
  return answers;
}

// Whether an X server listens where DISPLAY points, found by its local socket (the abstract one or
// the file, as libxcb tries them). A display on another host (over ssh, say) is left to the
// toolkit, as is a server that refuses the toolkit once connected: main turns the toolkit's fatal
// message into the same words.
bool x11Answers() {
  if (qEnvironmentVariableIsEmpty("DISPLAY")) return false;
  char* host = nullptr;
  int number = 0;
  if (xcb_parse_display(nullptr, &host, &number, nullptr) == 0) return false;
  const std::string name = host ? host : "";
  std::free(host);
  if (!name.empty() && name != "unix") return true;
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  return socketAnswers(path, true) || socketAnswers(path, false);
}

// Whether a compositor serves the socket that WAYLAND_DISPLAY names (a path of its own, or a name
// in XDG_RUNTIME_DIR). A socket file left behind by a compositor that ended refuses the
// connection.
bool waylandAnswers() {
  if (!qEnvironmentVariableIsEmpty("WAYLAND_SOCKET")) return true;  // handed over already open
  const QString name = qEnvironmentVariable("WAYLAND_DISPLAY");
  if (name.isEmpty()) return false;
  const QByteArray path =
      QFile::encodeName(QDir::isAbsolutePath(name)
                            ? name
                            : qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/') + name);
  return socketAnswers(path.toStdString(), false);
}

}  // namespace

void readFontConfigurationAhead() {
  try {
    std::thread([] {
      // The window's thread comes first: where every core is busy, this one gets little time,
      // and the toolkit may read the configuration itself, as without it. Fontconfig publishes
      // what it read with one atomic exchange, and of two readings one is dropped. The lowest
      // share, not the idle class: a thread of that class stopped in the middle of a read held
      // up the window's thread behind it, for milliseconds.
      pthread_setname_np(pthread_self(), "fontconfig");  // for profilers and debuggers
      setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
      FcInit();
    }).detach();  // the program may end first: nothing of fontconfig's is torn down at exit
  } catch (const std::system_error&) {
    // No thread to spare: the toolkit reads the configuration itself.
  }
}

bool displayAvailable() {
  const QByteArray chosen = qgetenv("QT_QPA_PLATFORM");
  const bool x11 = chosen.isEmpty() || chosen.startsWith("xcb");
  const bool wayland = chosen.isEmpty() || chosen.startsWith("wayland");
  if (!x11 && !wayland) return true;  // offscreen, a frame buffer, VNC: the toolkit's own affair
  const bool x11Up = x11 && x11Answers();
  const bool waylandUp = wayland && waylandAnswers();
  if (chosen.isEmpty() && x11Up != waylandUp) {
    qputenv("QT_QPA_PLATFORM", x11Up ? "xcb" : "wayland");
  }
  return x11Up || waylandUp;
}

bool useDetectableKeyRepeat() {
  // X11 sends the repeats of a held key as release and press pairs stamped with one time. The
  // toolkit tells such a pair from a real release only when the press is already in its queue,
  // which a busy machine often defeats: the note would stop and strike again while the key is
  // down. With this per-client flag the server sends the repeats as presses alone.
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  if (!x11) return false;
  xcb_connection_t* connection = x11->connection();
  if (!connection) return false;

  const Reply<xcb_xkb_use_extension_reply_t> version(xcb_xkb_use_extension_reply(
      connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
      nullptr));
  if (!version || !version->supported) return false;

  constexpr std::uint32_t kDetectable = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
  const Reply<xcb_xkb_per_client_flags_reply_t> flags(
      xcb_xkb_per_client_flags_reply(connection,
                                     xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD,
                                                              kDetectable, kDetectable, 0, 0, 0),
                                     nullptr));
  return flags && (flags->value & kDetectable) != 0;
}

quint32 physicalKeyCode(quint32 nativeScanCode) {
  // X11 and Wayland key codes are the Linux input codes shifted by 8.
  return nativeScanCode >= kKeyCodeOffset ? nativeScanCode - kKeyCodeOffset : 0;
}

quint32 nativeScanCodeOf(quint32 physicalKey) {
  return physicalKey + kKeyCodeOffset;
}

}  // namespace orv::platform
