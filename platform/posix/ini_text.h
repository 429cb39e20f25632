// The text of a profile file, parsed into sections and keys, and the edit that sets one key.
// No file access here: ini.cc reads and replaces the file. Internal to the POSIX layer.
//
// Reading rules: lines end at LF or CR LF (a CR before LF or before the end
// of the file belongs to the line end); a last line without an end is read. After leading
// spaces and tabs, a line starting with "[" is a section header whose name runs to the first
// "]" (to the end of the line when there is none); a line starting with ";" is a comment;
// any other line holding "=" is a key line whose name is what precedes the first "=".
// Names lose surrounding spaces and tabs and compare after code-page lower-casing. A key line with
// an empty name, and key lines before the first header, belong to no section.
#ifndef ORU_PLATFORM_POSIX_INI_TEXT_H_
#define ORU_PLATFORM_POSIX_INI_TEXT_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oru::platform::ini {

// `text` without its leading and trailing spaces and tabs.
std::string_view TrimBlanks(std::string_view text);
// A value as read: blanks trimmed, then one pair of matching surrounding '"' or '\'' removed.
std::string_view CleanValue(std::string_view raw);

class ProfileText {
 public:
  struct Key {
    std::string name;      // as written, blanks trimmed
    size_t line_begin;     // where the key's line starts
    size_t value_begin;    // the byte after the first '='
    size_t content_end;    // where the line's end (LF, CR LF or end of file) starts
    size_t next;           // where the next line starts
  };

  explicit ProfileText(std::string text);

  const std::string& text() const { return text_; }
  // The names of all sections in file order.
  std::vector<std::string> SectionNames() const;
  // The keys of the first matching section in file order; nullptr when there is none.
  const std::vector<Key>* Keys(std::string_view section) const;
  // The first matching key of the first matching section; nullptr when there is none.
  const Key* FindKey(std::string_view section, std::string_view key) const;
  // The key's value as written (before CleanValue).
  std::string_view RawValue(const Key& key) const;

  // The whole text with `key` in `section` set to `value`. The first matching key line keeps
  // every byte up to and including its "=" (so the key's spelling and indentation stay) and
  // gets `value` in place of the rest of its line. A missing key becomes the line
  // "key=value" right after the section's last key line (after its header when it has no
  // key). A missing section becomes "[section]" and "key=value" at the end of the file. New
  // lines end with the file's first line end (LF when it has none); a last line without an
  // end gets one before anything is appended after it. All other bytes stay as they are.
  std::string WithValue(std::string_view section, std::string_view key,
                        std::string_view value) const;
  // The whole text without the first matching key line of `section` (its line end included);
  // the text unchanged when there is no such key.
  std::string WithoutKey(std::string_view section, std::string_view key) const;

 private:
  struct Section {
    std::string name;
    size_t header_next;  // where the line after the header starts
    size_t header_content_end;
    std::vector<Key> keys;
    std::unordered_map<std::string, size_t> first_key;  // lower-cased name -> index in keys
  };

  void Parse();
  const Section* FindSection(std::string_view name) const;

  std::string text_;
  std::string eol_;
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> first_section_;  // lower-cased name -> index
};

}  // namespace oru::platform::ini

#endif  // ORU_PLATFORM_POSIX_INI_TEXT_H_
