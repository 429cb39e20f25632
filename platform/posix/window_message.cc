#include "platform/window_message.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

#include "platform/folders.h"
#include "platform/little_endian.h"

namespace oru::platform {

namespace {

constexpr size_t kMessageSize = 24;  // three little-endian int64: number, wParam, lParam

void PutInt64(int64_t value, uint8_t* out) { WriteLe64(out, static_cast<uint64_t>(value)); }

int64_t GetInt64(const uint8_t* in) { return static_cast<int64_t>(ReadLe64(in)); }

// The socket address of a window, or false when the class and title give no usable path (a
// "/" in either, no runtime folder, or a path too long for a socket address).
bool WindowAddress(const std::string& window_class, const std::string& title, sockaddr_un* address,
                   std::string* path) {
  if (window_class.find('/') != std::string::npos || title.find('/') != std::string::npos ||
      window_class.find('\0') != std::string::npos || title.find('\0') != std::string::npos) {
    return false;
  }
  std::string folder;
  if (!GetRuntimeFolder(&folder)) return false;
  *path = folder + window_class + "." + title;
  std::memset(address, 0, sizeof(*address));
  if (path->size() >= sizeof(address->sun_path)) return false;
  address->sun_family = AF_UNIX;
  std::memcpy(address->sun_path, path->c_str(), path->size() + 1);
  return true;
}

// A datagram socket connected to `address`, or -1 when nobody is bound there.
int ConnectTo(const sockaddr_un& address) {
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

struct WindowRef::State {
  explicit State(int socket_fd) : fd(socket_fd) {}
  ~State() { close(fd); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  int fd;
};

WindowRef::WindowRef() = default;
WindowRef::~WindowRef() = default;
WindowRef::WindowRef(WindowRef&&) noexcept = default;
WindowRef& WindowRef::operator=(WindowRef&&) noexcept = default;

WindowRef WindowRef::Find(const std::string& window_class, const std::string& title) {
  WindowRef ref;
  sockaddr_un address;
  std::string path;
  if (!WindowAddress(window_class, title, &address, &path)) return ref;
  int fd = ConnectTo(address);
  if (fd >= 0) ref.state_ = std::make_unique<State>(fd);
  return ref;
}

bool WindowRef::found() const { return state_ != nullptr; }

void WindowRef::Post(const WindowMessage& message) const {
  if (!state_) return;
  uint8_t bytes[kMessageSize];
  PutInt64(message.number, bytes);
  PutInt64(message.wparam, bytes + 8);
  PutInt64(message.lparam, bytes + 16);
  // A full queue or a receiver that went away is ignored, as a post to a closed window is.
  (void)send(state_->fd, bytes, sizeof(bytes), MSG_DONTWAIT | MSG_NOSIGNAL);
}

struct MessageWindow::State {
  State(int socket_fd, std::string socket_path) : fd(socket_fd), path(std::move(socket_path)) {}
  ~State() {
    close(fd);
    // Unlink only our own socket file, not one another window has put there since.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && st.st_dev == dev && st.st_ino == ino) {
      unlink(path.c_str());
    }
  }
  State(const State&) = delete;
  State& operator=(const State&) = delete;
  int fd;
  std::string path;
  dev_t dev = 0;
  ino_t ino = 0;
};

MessageWindow::MessageWindow() = default;
MessageWindow::~MessageWindow() = default;
MessageWindow::MessageWindow(MessageWindow&&) noexcept = default;
MessageWindow& MessageWindow::operator=(MessageWindow&&) noexcept = default;

Result MessageWindow::Create(const std::string& window_class, const std::string& title,
                             MessageWindow* out) {
  sockaddr_un address;
  std::string path;
  if (!WindowAddress(window_class, title, &address, &path)) return Result::kFailed;
  int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Result::kFailed;
  const sockaddr* raw = reinterpret_cast<const sockaddr*>(&address);
  if (bind(fd, raw, sizeof(address)) != 0) {
    if (errno != EADDRINUSE) {
      close(fd);
      return Result::kFailed;
    }
    // Something is there: a live window answers a connect; a socket file left by a window that
    // died does not and is replaced. Anything that is not a socket is left alone.
    int probe = ConnectTo(address);
    if (probe >= 0) {
      close(probe);
      close(fd);
      return Result::kExists;
    }
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode) || unlink(path.c_str()) != 0 ||
        bind(fd, raw, sizeof(address)) != 0) {
      close(fd);
      return Result::kFailed;
    }
  }
  auto state = std::make_unique<State>(fd, path);
  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    state->dev = st.st_dev;
    state->ino = st.st_ino;
  }
  out->state_ = std::move(state);
  return Result::kOk;
}

bool MessageWindow::Receive(WindowMessage* message, int timeout_ms) {
  if (!state_) return false;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int wait_ms = -1;
    if (timeout_ms >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait_ms = left > 0 ? static_cast<int>(left) : 0;
    }
    pollfd pfd = {state_->fd, POLLIN, 0};
    int ready = poll(&pfd, 1, wait_ms);
    if (ready < 0 && errno != EINTR) return false;
    if (ready > 0) {
      // One byte more than a message, so that a longer datagram shows as the wrong size.
      uint8_t bytes[kMessageSize + 1];
      ssize_t n = recv(state_->fd, bytes, sizeof(bytes), MSG_DONTWAIT);
      if (n == static_cast<ssize_t>(kMessageSize)) {
        message->number = GetInt64(bytes);
        message->wparam = GetInt64(bytes + 8);
        message->lparam = GetInt64(bytes + 16);
        return true;
      }
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) return false;
    }
    if (timeout_ms >= 0 && Clock::now() >= deadline) return false;
  }
}

void MessageWindow::Close() { state_.reset(); }

}  // namespace oru::platform
