// Folder enumeration in the shape of a find-first / find-next search: one entry at a time,
// each with its name, attribute bits, size and packed time.
#ifndef ORU_PLATFORM_FIND_H_
#define ORU_PLATFORM_FIND_H_

#include <cstdint>
#include <memory>
#include <string>

#include "platform/result.h"

namespace oru::platform {

// Attribute bits of an entry, with the values of the FAT directory entry.
inline constexpr uint32_t kAttrReadOnly = 0x01;
inline constexpr uint32_t kAttrHidden = 0x02;
inline constexpr uint32_t kAttrSystem = 0x04;
inline constexpr uint32_t kAttrFolder = 0x10;
inline constexpr uint32_t kAttrArchive = 0x20;

// What an entry is, as far as a folder walk must know to stay safe.
enum class EntryKind {
  kFile,          // a regular file, or a link to one
  kFolder,        // a real folder (not a link)
  kLinkToFolder,  // a symbolic link to a folder, or a folder that is a reparse point (junction,
                  // Windows symbolic link): never entered
  kOther,         // FIFO, socket, device, broken link, or an entry that cannot be examined
};

struct FindEntry {
  std::string name;         // the entry's name, without its folder
  uint32_t attributes = 0;  // kAttr* bits; folders (also links to folders) carry kAttrFolder
  uint32_t size = 0;        // low 32 bits of the size in bytes; 0 for anything but a file
  uint32_t time = 0;        // last-write time, local, packed as MS-DOS date (high) and time (low)
  EntryKind kind = EntryKind::kOther;
};

// The enumeration of one folder, "." and ".." included. POSIX: entries come in ascending byte
// order of their names. Windows: in the order FindFirstFileA / FindNextFileA give them (names
// there differ in more than letter case). Holds what it needs to go on (on Windows the system's
// search handle); releases it when destroyed. Not copyable.
class FolderSearch {
 public:
  FolderSearch();
  ~FolderSearch();
  FolderSearch(FolderSearch&&) noexcept;
  FolderSearch& operator=(FolderSearch&&) noexcept;
  FolderSearch(const FolderSearch&) = delete;
  FolderSearch& operator=(const FolderSearch&) = delete;

  // Starts enumerating `folder` (with or without a trailing separator) and stores the first
  // entry in `first`. kNotFound when the folder does not exist (or is a file), kDenied when it
  // cannot be read. "." and ".." are folders with no other attribute bit.
  Result Start(const std::string& folder, FindEntry* first);
  // Stores the next entry in `entry`; false when there is none (or the search was not started).
  // POSIX: an entry that vanished after Start is passed over. Windows: entries added or removed
  // meanwhile show as the system's search shows them.
  bool Next(FindEntry* entry);
  // Ends the search; Next then returns false.
  void Close();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Size (low 32 bits) and packed time of the file at `path`, as the enumeration reports them.
// False when nothing can be found there.
bool GetFileSizeAndTime(const std::string& path, uint32_t* size, uint32_t* time);

// Packs a time given in seconds since 1970 (UTC) as local MS-DOS date and time; 0 outside the
// years 1980-2107.
uint32_t PackDosTime(int64_t unix_seconds);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_FIND_H_
