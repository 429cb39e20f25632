#include "platform/folder_watch.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <unordered_map>

#include "platform/common/watch_notes.h"

namespace oru::platform {

namespace {

// The stop requests: a flag, and a pipe whose reading end a Wait listens to.
volatile sig_atomic_t g_stop = 0;
int g_wake[2] = {-1, -1};

void NoteStop(int) {
  g_stop = 1;
  if (g_wake[1] >= 0) {
    const char byte = 1;
    const ssize_t ignored = write(g_wake[1], &byte, 1);
    (void)ignored;
  }
}

constexpr uint32_t kFolderEvents = IN_CREATE | IN_DELETE | IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB |
                                   IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                   IN_ONLYDIR | IN_DONT_FOLLOW | IN_EXCL_UNLINK;

// The folder without the separators at its end ("/" stays).
std::string Trimmed(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

bool IsBelow(const std::string& path, const std::string& folder) {
  return path == folder ||
         (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
          (folder.back() == '/' || path[folder.size()] == '/'));
}

class InotifyWatch : public FolderWatch {
 public:
  InotifyWatch(int fd, const WatchOptions& options) : fd_(fd), limit_(options.folder_limit) {
    for (const std::string& folder : options.excluded) excluded_.push_back(Trimmed(folder));
  }
  ~InotifyWatch() override { close(fd_); }
  InotifyWatch(const InotifyWatch&) = delete;
  InotifyWatch& operator=(const InotifyWatch&) = delete;

  Status Add(const std::string& folder, size_t* tree) override {
    const std::string root = Trimmed(folder);
    struct stat info;
    if (stat(root.c_str(), &info) != 0) return LastErrorStatus("watch", root);
    if (!S_ISDIR(info.st_mode)) return Status(Result::kNotFound, "watch", root, "not a folder");
    *tree = roots_.size();
    roots_.push_back(root);
    WatchTree(*tree, root);
    return Status();
  }

  bool Renew(size_t tree) override {
    if (tree >= roots_.size()) return false;
    // Drop the tree's watches and start again from its folder.
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (it->second.tree == tree) {
        inotify_rm_watch(fd_, it->first);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
    // The answer tells whether it worked: what it would note as lost is not told again.
    const size_t mark = notes_.lost_count();
    WatchTree(tree, roots_[tree]);
    return notes_.DropLostSince(mark);
  }

  Status Wait(int timeout_ms, WatchChanges* out) override {
    if (notes_.Take(out) || g_stop) return Status();
    pollfd fds[2] = {{fd_, POLLIN, 0}, {g_wake[0], POLLIN, 0}};
    const int ready = poll(fds, g_wake[0] >= 0 ? 2 : 1, timeout_ms < 0 ? -1 : timeout_ms);
    if (ready < 0) {
      if (errno == EINTR) return Status();
      return LastErrorStatus("wait for changes of", "the watched folders");
    }
    if (g_wake[0] >= 0 && (fds[1].revents & POLLIN) != 0) {
      char bytes[64];
      while (read(g_wake[0], bytes, sizeof bytes) > 0) {
      }
    }
    if ((fds[0].revents & POLLIN) != 0) {
      if (const Status read_status = ReadEvents(); !read_status.ok()) return read_status;
    }
    notes_.Take(out);
    return Status();
  }

  size_t watched_folders() const override { return folders_.size(); }

 private:
  struct Folder {
    size_t tree = 0;
    std::string path;
  };

  bool Excluded(const std::string& path) const {
    for (const std::string& folder : excluded_) {
      if (IsBelow(path, folder)) return true;
    }
    return false;
  }

  void NoteLost(size_t tree, std::string reason, bool lasting = true) {
    notes_.Lost(tree, std::move(reason), lasting);
  }

  // Watches `folder` and every folder below it as part of `tree`.
  void WatchTree(size_t tree, const std::string& folder) {
    std::vector<std::string> stack{folder};
    while (!stack.empty()) {
      const std::string path = std::move(stack.back());
      stack.pop_back();
      if (Excluded(path)) continue;
      if (limit_ != 0 && folders_.size() >= limit_) {
        NoteLost(tree, "the limit of watched folders (" + std::to_string(limit_) +
                           ") is reached; raise it to watch every folder");
        return;
      }
      const int wd = inotify_add_watch(fd_, path.c_str(), kFolderEvents);
      if (wd < 0) {
        if ((errno == ENOENT || errno == ENOTDIR) && path == roots_[tree]) {
          NoteLost(tree, roots_[tree] + " is gone; it is watched again once it is back");
          return;
        }
        if (errno == ENOENT || errno == ENOTDIR) continue;  // gone meanwhile
        if (errno == ENOSPC) {
          NoteLost(tree,
                   "the system's limit of watched folders is reached; raise it with "
                   "'sysctl fs.inotify.max_user_watches=524288' (and in /etc/sysctl.d to keep it)");
          return;
        }
        NoteLost(tree, "cannot watch " + path + ": " + std::strerror(errno));
        continue;
      }
      folders_[wd] = Folder{tree, path};
      DIR* dir = opendir(path.c_str());
      if (dir == nullptr) continue;
      while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        const std::string child = (path == "/" ? path : path + "/") + name;
        bool folder_entry = entry->d_type == DT_DIR;
        if (entry->d_type == DT_UNKNOWN) {
          struct stat info;
          folder_entry = lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
        }
        if (folder_entry) stack.push_back(child);
      }
      closedir(dir);
    }
  }

  // Stops watching the folders at and below `path` (a folder moved away).
  void Forget(const std::string& path) {
    for (auto it = folders_.begin(); it != folders_.end();) {
      if (IsBelow(it->second.path, path)) {
        inotify_rm_watch(fd_, it->first);
        it = folders_.erase(it);
      } else {
        ++it;
      }
    }
  }

  Status ReadEvents() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EAGAIN || errno == EINTR) return Status();
        return LastErrorStatus("read the changes of", "the watched folders");
      }
      if (n == 0) return Status();
      for (ssize_t pos = 0; pos + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
        inotify_event event;
        std::memcpy(&event, buffer + pos, sizeof event);
        const char* name = event.len > 0 ? buffer + pos + sizeof(inotify_event) : "";
        pos += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        Handle(event, name);
      }
    }
  }

  void Handle(const inotify_event& event, const char* name) {
    if ((event.mask & IN_Q_OVERFLOW) != 0) {
      for (size_t tree = 0; tree < roots_.size(); ++tree) {
        NoteLost(tree, "the system's queue of changes overflowed", false);
      }
      return;
    }
    const auto it = folders_.find(event.wd);
    if (it == folders_.end()) return;
    const size_t tree = it->second.tree;
    if ((event.mask & IN_IGNORED) != 0) {
      // A tree whose own folder went (deleted, or moved away) is watched no more.
      if (it->second.path == roots_[tree]) {
        NoteLost(tree, roots_[tree] + " is gone or moved; it is watched again once it is back");
      }
      folders_.erase(it);
      return;
    }
    const std::string path = it->second.path;
    if ((event.mask & IN_MOVE_SELF) != 0 && path == roots_[tree]) {
      notes_.Changed(tree);
      Forget(path);  // the watches would follow the folder to its new place
      NoteLost(tree, roots_[tree] + " is gone or moved; it is watched again once it is back");
      return;
    }
    const std::string child = name[0] == '\0' ? path : (path == "/" ? path : path + "/") + name;
    if (Excluded(child)) return;
    notes_.Changed(tree);
    if ((event.mask & IN_ISDIR) == 0) return;
    if ((event.mask & IN_MOVED_FROM) != 0) Forget(child);
    if ((event.mask & (IN_CREATE | IN_MOVED_TO)) != 0) WatchTree(tree, child);
  }

  int fd_;
  size_t limit_;
  std::vector<std::string> excluded_;
  std::vector<std::string> roots_;
  std::unordered_map<int, Folder> folders_;
  WatchNotes notes_;
};

}  // namespace

Status CreateFolderWatch(const WatchOptions& options, std::unique_ptr<FolderWatch>* out) {
  const int fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (fd < 0) return LastErrorStatus("start watching", "folders");
  *out = std::make_unique<InotifyWatch>(fd, options);
  return Status();
}

void CatchStopRequests() {
  if (g_wake[0] < 0 && pipe2(g_wake, O_CLOEXEC | O_NONBLOCK) != 0) g_wake[0] = g_wake[1] = -1;
  struct sigaction action = {};
  action.sa_handler = NoteStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
}

bool StopRequested() { return g_stop != 0; }

}  // namespace oru::platform
