// Files and folders: existence tests, one-level folder creation, deletion, renaming and
// file streams. Paths are byte strings in the system code page.
#ifndef ORU_PLATFORM_FILES_H_
#define ORU_PLATFORM_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/result.h"
#include "platform/status.h"

namespace oru::platform {

// The path separator of the platform: '/' on POSIX, '\\' on Windows.
extern const char kPathSeparator;
// True for a character that separates a path's parts: '/' (which Windows takes too) or
// kPathSeparator.
inline bool IsPathSeparator(char c) { return c == '/' || c == kPathSeparator; }

// True when a regular file (or a link to one) exists at `path`. Folders do not count.
bool FileExists(const std::string& path);
// True when a folder (or a link to one) exists at `path`.
bool FolderExists(const std::string& path);
// True when anything at all is at `path` (a FIFO, socket or device included; a broken link
// not).
bool PathExists(const std::string& path);
// Every call below that can fail returns a Status naming the operation, the path and the
// system's reason; it compares with a Result as a Result does.

// Creates one folder level. kExists when something is already at `path`; kNotFound when
// the parent folder is missing.
Status CreateFolder(const std::string& path);
// Deletes a file. kNotFound when there is none.
Status DeleteFile(const std::string& path);
// Renames `from` to `to`, replacing an existing file at `to` in one step. On Windows kDenied
// while another program holds `to` open.
Status RenameFile(const std::string& from, const std::string& to);
// Makes the entries of `folder` (names created, renamed or deleted in it) durable: POSIX
// fsync on the folder; Windows has nothing to do (its renames are written through).
Status SyncFolder(const std::string& folder);
// Reads a whole file into `out` (replacing its contents).
Status ReadWholeFile(const std::string& path, std::string* out);

// What a mode lets others do while the file is open holds on Windows (share modes); POSIX has
// none and lets others do anything.
enum class OpenMode {
  kCreate,             // create or truncate, read and write; others may only read
  kReadExisting,       // existing file only, read only; others may read and write
  kReadWriteExisting,  // existing file only, read and write; others may only read
};

// An open file. Owns its descriptor and closes it when destroyed. Not copyable, movable.
class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens `path` in `mode`; on success `out` holds the open file (an earlier one is closed).
  // Only regular files open: a folder, FIFO or device gives kFailed at once, never blocking.
  static Status Open(const std::string& path, OpenMode mode, File* out);

  bool is_open() const { return handle_ != -1; }
  // The path the file was opened by; failures of the calls below name it.
  const std::string& path() const { return path_; }
  // Reads up to `n` bytes at the current position; `*got` receives the count (0 at the end).
  Status Read(void* buffer, size_t n, size_t* got);
  // Reads exactly `n` bytes; kFailed when fewer arrive.
  Status ReadExact(void* buffer, size_t n);
  // Writes all `n` bytes at the current position.
  Status Write(const void* data, size_t n);
  // Moves to `offset` bytes from the start. Offsets past the end are allowed.
  Status Seek(int64_t offset);
  // Moves to the end of the file.
  Status SeekToEnd();
  // The current size of the file in bytes, or -1 on failure.
  int64_t Size() const;
  // Flushes what was written to the device.
  Status Sync();
  // Asks the system to start writing what was written to the device, without waiting. A hint
  // for a file that will be synced soon, among others: syncing many files one after another
  // is much faster when their writing has already begun. Does nothing where not offered.
  void StartWriteback();
  // Closes the file; reports a failed close. Closing a closed file is kOk.
  Status Close();

 private:
  intptr_t handle_ = -1;  // descriptor or handle; -1 when none
  std::string path_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FILES_H_
