// Single instance across processes. Abstract socket names vanish with their owner, so a
// crashed instance never blocks the next start; they carry no permissions, so both ends check
// that the other runs as the same user (SO_PEERCRED).
#include "user/user_private.h"

#include <SDL.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "detail/clock.h"
#include "detail/utf8.h"

namespace platform::detail {
namespace {

constexpr char kRaiseRequest = 'R';
constexpr char kRaiseDone = 'K';
constexpr int kRaiseAnswerMs = 2000;
constexpr int kConnectAttempts = 40;
constexpr Uint32 kConnectRetryMs = 5;

struct Connection {
  int fd;
  HWND window;
};

std::vector<Connection>& Connections() {
  static auto* connections = new std::vector<Connection>;
  return *connections;
}

int g_raisesServed = 0;

socklen_t MakeAddress(const std::string& name, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  // sun_path[0] stays NUL: the abstract namespace.
  std::memcpy(address.sun_path + 1, name.data(), name.size());
  return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
}

bool PeerIsSameUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return false;
  return credentials.uid == getuid();
}

std::uint64_t Fnv1a(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 1099511628211ull;
  }
  return hash;
}

void RaiseLocalWindow(HWND window) {
  Window* object = FindWindowObject(window);
  if (object == nullptr || object->sdl == nullptr) return;
  if ((SDL_GetWindowFlags(object->sdl) & SDL_WINDOW_MINIMIZED) != 0) SDL_RestoreWindow(object->sdl);
  SDL_RaiseWindow(object->sdl);
}

void AcceptConnections(Window& window) {
  for (;;) {
    const int fd = accept4(window.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    if (!PeerIsSameUser(fd)) {
      close(fd);
      continue;
    }
    Connections().push_back(Connection{fd, window.handle});
  }
}

// Reads what a connection sent; false when it is finished with.
bool ServeConnection(const Connection& connection) {
  if (FindWindowObject(connection.window) == nullptr) return false;
  char buffer[64];
  const ssize_t count = recv(connection.fd, buffer, sizeof buffer, MSG_DONTWAIT);
  if (count == 0) return false;
  if (count < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  for (ssize_t i = 0; i < count; ++i) {
    if (buffer[i] != kRaiseRequest) continue;
    RaiseLocalWindow(connection.window);
    ++g_raisesServed;
    if (send(connection.fd, &kRaiseDone, 1, MSG_NOSIGNAL | MSG_DONTWAIT) != 1) return false;
  }
  return true;
}

// Whether a process of this user other than this one holds the name. A start that lost the
// race for it may get here between the winner's bind and listen, when connecting is refused
// for a moment.
bool HeldByAnotherProcess(const std::string& name) {
  for (HWND handle : AllWindows()) {
    const Window* local = FindWindowObject(handle);
    if (local != nullptr && local->listenFd >= 0 &&
        SingleInstanceName(local->className.c_str(), local->title.c_str()) == name) {
      return false;
    }
  }
  sockaddr_un address;
  const socklen_t length = MakeAddress(name, address);
  for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0;
    const int error = errno;
    const bool sameUser = connected && PeerIsSameUser(fd);
    close(fd);
    if (connected) return sameUser;
    if (error != ECONNREFUSED) return false;
    SDL_Delay(kConnectRetryMs);
  }
  return false;
}

}  // namespace

std::string SingleInstanceName(LPCWSTR className, LPCWSTR title) {
  const std::string user = std::to_string(getuid());
  std::string parts = ToUtf8(className);
  parts += '\0';  // no class name or title holds a NUL, so the pair reads back one way only
  parts += ToUtf8(title);
  std::string name = "kavro-window/" + user + "/" + parts;
  constexpr std::size_t kLongest = sizeof(sockaddr_un::sun_path) - 1;
  if (name.size() > kLongest) {
    char hash[17];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(Fnv1a(parts)));
    name = "kavro-window/" + user + "/#" + hash;
  }
  return name;
}

bool AnnounceWindow(Window& window) {
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    std::fprintf(stderr, "socket: %s\n", std::strerror(errno));
    return true;
  }
  const std::string name = SingleInstanceName(window.className.c_str(), window.title.c_str());
  sockaddr_un address;
  const socklen_t length = MakeAddress(name, address);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, 8) != 0) {
    const int error = errno;
    close(fd);
    // EADDRINUSE: another window of this class and title runs already; it keeps the name.
    if (error == EADDRINUSE) return !HeldByAnotherProcess(name);
    std::fprintf(stderr, "bind: %s\n", std::strerror(error));
    return true;
  }
  window.listenFd = fd;
  return true;
}

void CollectSingleInstanceFds(std::vector<pollfd>& fds) {
  for (HWND handle : AllWindows()) {
    const Window* window = FindWindowObject(handle);
    if (window != nullptr && window->listenFd >= 0) fds.push_back(pollfd{window->listenFd, POLLIN, 0});
  }
  for (const Connection& connection : Connections()) fds.push_back(pollfd{connection.fd, POLLIN, 0});
}

void ServeSingleInstance() {
  std::vector<pollfd> fds;
  CollectSingleInstanceFds(fds);
  if (fds.empty() || poll(fds.data(), fds.size(), 0) <= 0) return;
  for (HWND handle : AllWindows()) {
    Window* window = FindWindowObject(handle);
    if (window != nullptr && window->listenFd >= 0) AcceptConnections(*window);
  }
  auto& connections = Connections();
  for (std::size_t i = connections.size(); i-- > 0;) {
    if (!ServeConnection(connections[i])) {
      close(connections[i].fd);
      connections.erase(connections.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

HWND ConnectToRemoteWindow(LPCWSTR className, LPCWSTR title) {
  if (className == nullptr || title == nullptr) return nullptr;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return nullptr;
  sockaddr_un address;
  const socklen_t length = MakeAddress(SingleInstanceName(className, title), address);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || !PeerIsSameUser(fd)) {
    close(fd);
    return nullptr;
  }
  auto remote = std::make_unique<Window>();
  remote->remoteFd = fd;  // closed by the object
  remote->className = className;
  remote->title = title;
  Window* raw = remote.get();
  HWND handle = static_cast<HWND>(InsertHandle(std::move(remote)));
  if (handle != nullptr) raw->handle = handle;
  return handle;
}

BOOL RaiseRemoteWindow(Window& remote) {
  if (send(remote.remoteFd, &kRaiseRequest, 1, MSG_NOSIGNAL) != 1) return FALSE;
  pollfd fd{remote.remoteFd, POLLIN, 0};
  const std::int64_t deadline = MonotonicNs() + std::int64_t{kRaiseAnswerMs} * 1000000;
  for (;;) {
    const std::int64_t left = (deadline - MonotonicNs()) / 1000000;
    if (left <= 0) return FALSE;
    const int ready = poll(&fd, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return FALSE;
    char answer = 0;
    return recv(remote.remoteFd, &answer, 1, 0) == 1 && answer == kRaiseDone ? TRUE : FALSE;
  }
}

bool RemoteIsAlive(const Window& remote) {
  if (remote.remoteFd < 0) return false;
  pollfd fd{remote.remoteFd, POLLIN | POLLRDHUP, 0};
  if (poll(&fd, 1, 0) < 0) return false;
  return (fd.revents & (POLLHUP | POLLRDHUP | POLLERR)) == 0;
}

int RaiseRequestsServed() { return g_raisesServed; }

}  // namespace platform::detail
