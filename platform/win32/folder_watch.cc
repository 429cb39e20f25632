#include "platform/folder_watch.h"

#include <atomic>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/common/watch_notes.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

namespace {

std::atomic<bool> g_stop{false};
HANDLE g_wake = nullptr;  // set when a stop is asked for

BOOL WINAPI NoteStop(DWORD) {
  g_stop = true;
  if (g_wake != nullptr) SetEvent(g_wake);
  return TRUE;
}

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                           FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE |
                           FILE_NOTIFY_CHANGE_ATTRIBUTES;
constexpr DWORD kBufferBytes = 64 * 1024;  // the most a network share takes
// WaitForMultipleObjects takes 64 handles, one of them the stop event.
constexpr size_t kMostTrees = MAXIMUM_WAIT_OBJECTS - 1;

std::string Trimmed(std::string folder) {
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

// Letters compared without case (ASCII, enough for the few folders left out), '/' as '\\'.
bool SameChar(char a, char b) {
  const auto fold = [](char c) {
    if (c == '/') return '\\';
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return fold(a) == fold(b);
}

// True when `path` is `folder` or below it (names compared as Windows does, without case).
bool IsBelow(const std::string& path, const std::string& folder) {
  if (path.size() < folder.size()) return false;
  for (size_t i = 0; i < folder.size(); ++i) {
    if (!SameChar(path[i], folder[i])) return false;
  }
  return path.size() == folder.size() || folder.back() == '\\' || path[folder.size()] == '\\' ||
         path[folder.size()] == '/';
}

std::string Narrow(const wchar_t* text, size_t length) {
  if (length == 0) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0,
                                    nullptr, nullptr);
  std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) {
    WideCharToMultiByte(CP_ACP, 0, text, static_cast<int>(length), out.data(), n, nullptr,
                        nullptr);
  }
  return out;
}

class DirectoryWatch : public FolderWatch {
 public:
  explicit DirectoryWatch(const WatchOptions& options) {
    for (const std::string& folder : options.excluded) excluded_.push_back(Trimmed(folder));
  }
  ~DirectoryWatch() override {
    for (const std::unique_ptr<Tree>& tree : trees_) Close(tree.get());
  }
  DirectoryWatch(const DirectoryWatch&) = delete;
  DirectoryWatch& operator=(const DirectoryWatch&) = delete;

  Status Add(const std::string& folder, size_t* tree) override {
    const std::string root = Trimmed(folder);
    const DWORD attributes = GetFileAttributesA(root.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return LastErrorStatus("watch", root);
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return Status(Result::kNotFound, "watch", root, "not a folder");
    }
    *tree = trees_.size();
    trees_.push_back(std::make_unique<Tree>());
    trees_.back()->root = root;
    Open(*tree);
    return Status();
  }

  bool Renew(size_t tree) override {
    if (tree >= trees_.size()) return false;
    Close(trees_[tree].get());
    // The answer tells whether it worked: what it would note as lost is not told again.
    const size_t mark = notes_.lost_count();
    Open(tree);
    return notes_.DropLostSince(mark);
  }

  Status Wait(int timeout_ms, WatchChanges* out) override {
    if (notes_.Take(out) || g_stop) return Status();
    std::vector<HANDLE> handles;
    std::vector<size_t> owners;
    if (g_wake != nullptr) handles.push_back(g_wake);
    for (size_t i = 0; i < trees_.size(); ++i) {
      if (trees_[i]->reading) {
        handles.push_back(trees_[i]->event);
        owners.push_back(i);
      }
    }
    if (handles.empty()) {
      Sleep(timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms));
      return Status();
    }
    const DWORD waited = WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(),
                                                FALSE,
                                                timeout_ms < 0 ? INFINITE
                                                               : static_cast<DWORD>(timeout_ms));
    if (waited == WAIT_FAILED) return LastErrorStatus("wait for changes of", "the watched folders");
    if (waited == WAIT_TIMEOUT) return Status();
    // Every tree whose reading ended is looked at, not only the first the wait named.
    for (size_t i : owners) Collect(i);
    notes_.Take(out);
    return Status();
  }

  size_t watched_folders() const override {
    size_t n = 0;
    for (const std::unique_ptr<Tree>& tree : trees_) n += tree->reading ? 1 : 0;
    return n;
  }

 private:
  struct Tree {
    std::string root;
    HANDLE folder = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped = {};
    std::vector<DWORD> buffer;  // DWORD-aligned, as the notifications must be
    bool reading = false;
  };

  void NoteLost(size_t tree, std::string reason, bool lasting = true) {
    notes_.Lost(tree, std::move(reason), lasting);
  }

  void Close(Tree* tree) {
    if (tree->folder != INVALID_HANDLE_VALUE) {
      if (tree->reading) {
        CancelIoEx(tree->folder, &tree->overlapped);
        DWORD ignored = 0;
        GetOverlappedResult(tree->folder, &tree->overlapped, &ignored, TRUE);
      }
      CloseHandle(tree->folder);
    }
    if (tree->event != nullptr) CloseHandle(tree->event);
    tree->folder = INVALID_HANDLE_VALUE;
    tree->event = nullptr;
    tree->reading = false;
  }

  void Open(size_t index) {
    Tree& tree = *trees_[index];
    if (index >= kMostTrees) {
      NoteLost(index, "too many folders watched at once (at most " + std::to_string(kMostTrees) +
                          ")");
      return;
    }
    tree.folder = CreateFileA(tree.root.c_str(), FILE_LIST_DIRECTORY,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED,
                              nullptr);
    tree.event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (tree.folder == INVALID_HANDLE_VALUE || tree.event == nullptr) {
      NoteLost(index, "cannot watch " + tree.root + ": " + LastErrorStatus("", "").reason());
      Close(&tree);
      return;
    }
    tree.buffer.assign(kBufferBytes / sizeof(DWORD), 0);
    Read(index);
  }

  void Read(size_t index) {
    Tree& tree = *trees_[index];
    tree.overlapped = {};
    tree.overlapped.hEvent = tree.event;
    ResetEvent(tree.event);
    tree.reading = ReadDirectoryChangesW(tree.folder, tree.buffer.data(), kBufferBytes, TRUE,
                                         kChanges, nullptr, &tree.overlapped, nullptr) != 0;
    if (!tree.reading) {
      NoteLost(index, "cannot watch " + tree.root + ": " + LastErrorStatus("", "").reason());
    }
  }

  // Reads what tree `index` reported, if its reading ended, and starts reading again.
  void Collect(size_t index) {
    Tree& tree = *trees_[index];
    if (!tree.reading || WaitForSingleObject(tree.event, 0) != WAIT_OBJECT_0) return;
    DWORD bytes = 0;
    tree.reading = false;
    if (!GetOverlappedResult(tree.folder, &tree.overlapped, &bytes, FALSE)) {
      NoteLost(index, "cannot watch " + tree.root + ": " + LastErrorStatus("", "").reason());
      return;
    }
    if (bytes == 0) {
      NoteLost(index, "the system's buffer of changes overflowed", false);
    } else {
      const auto* base = reinterpret_cast<const unsigned char*>(tree.buffer.data());
      constexpr DWORD kHead = offsetof(FILE_NOTIFY_INFORMATION, FileName);
      for (DWORD pos = 0; pos + kHead <= bytes;) {
        FILE_NOTIFY_INFORMATION info;
        std::memcpy(&info, base + pos, kHead);
        if (info.FileNameLength > bytes - pos - kHead) break;
        std::vector<wchar_t> name(info.FileNameLength / sizeof(WCHAR));
        std::memcpy(name.data(), base + pos + kHead,
                    name.size() * sizeof(WCHAR));
        const std::string path = tree.root + "\\" + Narrow(name.data(), name.size());
        bool excluded = false;
        for (const std::string& folder : excluded_) excluded = excluded || IsBelow(path, folder);
        if (!excluded) notes_.Changed(index);
        if (info.NextEntryOffset == 0) break;
        pos += info.NextEntryOffset;
      }
    }
    // A tree whose own folder went is watched no more (its handle would watch nothing).
    if (GetFileAttributesA(tree.root.c_str()) == INVALID_FILE_ATTRIBUTES) {
      NoteLost(index, tree.root + " is gone or moved; it is watched again once it is back");
      Close(&tree);
      return;
    }
    Read(index);
  }

  std::vector<std::string> excluded_;
  std::vector<std::unique_ptr<Tree>> trees_;  // in place: the system writes into them
  WatchNotes notes_;
};

}  // namespace

Status CreateFolderWatch(const WatchOptions& options, std::unique_ptr<FolderWatch>* out) {
  *out = std::make_unique<DirectoryWatch>(options);
  return Status();
}

void CatchStopRequests() {
  if (g_wake == nullptr) g_wake = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  SetConsoleCtrlHandler(NoteStop, TRUE);
}

bool StopRequested() { return g_stop; }

}  // namespace oru::platform
