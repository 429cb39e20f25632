// Profile (INI) files as the indexer's configuration, job and status files use them:
// "[Section]" lines and "key=value" lines. Section and key names compare without regard to
// letter case, with surrounding blanks ignored; the first matching section and key win
// (keys are looked for in the first matching section only).
// Windows: the system's profile routines (GetPrivateProfileStringA,
// GetPrivateProfileSectionNamesA, WritePrivateProfileStringA) read and write the file, by
// their own rules for odd lines and layout. POSIX: names compare after code-page
// lower-casing; lines end at LF or CR LF; a last line without an end is read. After leading
// blanks, "[" starts a header whose name runs to the first "]" (or to the line's end when it
// has none); ";" starts a comment. Other lines with "=" and a non-empty name before it are
// keys of the section above them; key lines before the first header, and lines without "=",
// are kept on rewrite but are no keys.
#ifndef ORU_PLATFORM_INI_H_
#define ORU_PLATFORM_INI_H_

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"
#include "platform/status.h"

namespace oru::platform {

// The buffer sizes the indexer reads values and key lists through.
inline constexpr size_t kProfileValueBuffer = 2048;
inline constexpr size_t kProfileKeyListBuffer = 16384;

// One change of a profile file: `key` in `section` set to `value`, or removed when there is no
// value.
struct ProfileChange {
  std::string section;
  std::string key;
  std::optional<std::string> value;
};

// A profile file. Writes go to the disk at once. POSIX: Open() takes a snapshot of the file,
// reads answer from it, and writes replace the file atomically and update the snapshot.
// Windows: every read asks the profile routines, which read the file as it is then. Not
// copyable.
class ProfileFile {
 public:
  // Reads the file at `path`. A missing or unreadable file reads as an empty profile;
  // a later write creates it.
  static ProfileFile Open(std::string path);

  ProfileFile(ProfileFile&&) noexcept;
  ProfileFile& operator=(ProfileFile&&) noexcept;
  ProfileFile(const ProfileFile&) = delete;
  ProfileFile& operator=(const ProfileFile&) = delete;
  ~ProfileFile();

  const std::string& path() const;

  // The value of `key` in `section`, without surrounding blanks and one pair of matching
  // surrounding quotes, cut to `buffer_size` - 1 bytes; `default_value` (likewise cut) when
  // the section or key is missing.
  std::string GetString(std::string_view section, std::string_view key,
                        std::string_view default_value,
                        size_t buffer_size = kProfileValueBuffer) const;
  // The names of all sections, in file order (duplicates included).
  std::vector<std::string> SectionNames() const;
  // The key names of the first matching section, in file order, as read through a buffer of
  // `buffer_size` bytes: names that do not fit are dropped and the last one may be cut.
  // Exactly: of "name1\0name2\0...nameN\0" the first `buffer_size` - 2 bytes are kept (the
  // list's closing "\0\0" takes the other two), and the names they hold are returned; the
  // last of them is cut when the limit falls inside it. Empty for a missing section.
  std::vector<std::string> KeyNames(std::string_view section,
                                    size_t buffer_size = kProfileKeyListBuffer) const;

  // Sets `key` in `section` to `value`: replaces the first matching key's value, or adds the
  // key to the end of its section, or adds the section at the end of the file; the file's
  // other sections, keys and comments stay. kDenied for a read-only file (Windows: the
  // read-only attribute; POSIX: no write permission in the mode bits, also for root);
  // kNotFound when the folder does not exist; kFailed for names or values that would not
  // read back: a line break, "]" in the section, "=" in the key, or a key that is blank or
  // starts with "[" or ";". When the write is refused, the file does not change.
  // POSIX details: every other byte of the file is kept, and the file is replaced
  // atomically. The write starts from the file as it is on disk now (changes made since Open
  // are kept) and the snapshot becomes the written text. A replaced key line keeps every
  // byte up to its "=" (the file's spelling of the key); a new key goes right after the
  // section's last key line (after its header when it has none); new lines end like the
  // file's first line (LF in a new file). A symbolic link's target is replaced. Windows
  // details: the layout of the written file is the routines' (their lines end in CR LF).
  // A failure is a Status naming the file and the system's reason (it compares as a Result).
  Status WriteString(std::string_view section, std::string_view key, std::string_view value);
  // Removes `key` from `section` (WritePrivateProfileStringA with no value on Windows; on
  // POSIX the first matching key line goes, every other byte stays, and the file is replaced
  // atomically as by WriteString). kOk also when there is no such key or file; kDenied for a
  // read-only file.
  Status DeleteKey(std::string_view section, std::string_view key);
  // Makes `changes` in order, each as WriteString or DeleteKey would. POSIX: the file is read
  // and replaced once, so either every change is made or none (a name or value that cannot be
  // kept refuses them all), and removals alone of keys that are not there write nothing.
  // Windows: one call of the routines per change, stopping at the first failure (the changes
  // before it stay made). Several records that belong together cost one replacement of the
  // file, not one each.
  Status Change(const std::vector<ProfileChange>& changes);

 private:
  struct Impl;
  explicit ProfileFile(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_INI_H_
