// Fragments of a file's text around a hit, cut by the parser plug-in that serves the file,
// chosen by the indexer's own plug-in registry ("ORU.ini": "Files", "Extensions", the storage
// type's section, and the file masks).
#ifndef ORU_TOOLS_ORU_FRAGMENT_H_
#define ORU_TOOLS_ORU_FRAGMENT_H_

#include <string>
#include <vector>

#include "indexer/engine/plugin_registry.h"
#include "tools/oru/query/text_match.h"

namespace oru::tool {

// Characters asked of a plug-in that cuts a window around a position, and of one that lays out
// a whole line instead (the MP3 plug-in refuses less than 128 and labels its fields from 176).
inline constexpr uint32_t kFragmentChars = 60;
inline constexpr uint32_t kLineChars = 200;

// The plug-ins stay loaded until destruction. Not copyable.
class FragmentMaker {
 public:
  FragmentMaker() = default;
  FragmentMaker(const FragmentMaker&) = delete;
  FragmentMaker& operator=(const FragmentMaker&) = delete;

  // Loads the parser plug-ins that the configuration in `work` (ending in the separator) lists
  // for `storage_type`, as the indexer does (relative library paths below the program's folder,
  // caching a filter in "Extensions" when none is there). False when none can be loaded: no
  // fragments then.
  bool Load(const std::string& work, const std::string& storage_type);

  // Parses the file at `path` and cuts its text around the first word whose normalised form is
  // one of `words`, into `fragment` as one line of UTF-8 (possibly empty). False when no loaded
  // plug-in serves the file, the parse fails, none of the words is found or the plug-in gives
  // no fragment. With `holds_every_word`, the parse goes on past the first hit until every one
  // of `words` has been seen, and tells whether it was (false when the file cannot be parsed).
  // The parse is always ended.
  bool Fragment(const std::string& path, const std::vector<std::string>& words,
                std::string* fragment, bool* holds_every_word = nullptr);

  // Parses the file at `path` and feeds its words to `matcher`: up to the first hit of a
  // positive term, or with `to_every_term` on until the matcher has seen every term (or the
  // text ends). With `fragment`, cuts the text around that first hit into it (empty, with
  // `fragment_found` false, when there is no hit or the plug-in gives no fragment). False when
  // no loaded plug-in serves the file or the parse fails. The parse is always ended.
  bool Scan(const std::string& path, TextMatcher* matcher, bool to_every_term,
            std::string* fragment, bool* fragment_found);

 private:
  PluginRegistry plugins_;
  bool loaded_ = false;
};

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_FRAGMENT_H_
