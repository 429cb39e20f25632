#include "tools/oru/query/output.h"

#include <algorithm>

#include "tools/oru/text.h"

namespace oru::tool {

void SortHits(std::vector<SearchHit>* hits, SortKey key, bool descending) {
  const auto less = [key](const SearchHit& a, const SearchHit& b) {
    switch (key) {
      case SortKey::kPath:
        return a.file->path < b.file->path;
      case SortKey::kDate:
        return a.file->time < b.file->time;
      case SortKey::kSize:
        return a.file->size < b.file->size;
      case SortKey::kNone:
        break;
    }
    return false;
  };
  if (key == SortKey::kNone) return;
  if (descending) {
    std::stable_sort(hits->begin(), hits->end(),
                     [&](const SearchHit& a, const SearchHit& b) { return less(b, a); });
  } else {
    std::stable_sort(hits->begin(), hits->end(), less);
  }
}

const char* StateName(HitState state) {
  switch (state) {
    case HitState::kCurrent:
      return "current";
    case HitState::kChanged:
      return "changed";
    case HitState::kGone:
      break;
  }
  return "gone";
}

std::string HitText(const SearchHit& hit, HitState state, const std::string& index,
                    const std::string* fragment, bool true_hit, bool words_only, OutputForm form) {
  const std::string& path = hit.file->path;
  switch (form) {
    case OutputForm::kPathsNul:
      return path + '\0';
    case OutputForm::kPaths:
      return EscapeControls(PathToUtf8(path)) + "\n";
    case OutputForm::kJson: {
      std::string line = "{\"path\":" + JsonQuote(PathToUtf8(path));
      if (!IsUtf8(path)) line += ",\"path_bytes\":\"" + HexBytes(path) + "\"";
      return line + ",\"index\":" + JsonQuote(PathToUtf8(index)) + ",\"state\":\"" +
             StateName(state) + "\",\"fragment\":" +
             (fragment != nullptr ? JsonQuote(*fragment) : "null") + "}\n";
    }
    case OutputForm::kPlain:
      break;
  }
  std::string line = EscapeControls(PathToUtf8(path));
  if (!true_hit) {
    line += state == HitState::kGone ? "  (gone since indexing)"
            : words_only              ? "  (changed since indexing: no longer holds every word)"
                                      : "  (changed since indexing: no longer matches the query)";
  }
  line += "\n";
  if (fragment != nullptr) line += "    " + EscapeControls(*fragment) + "\n";
  return line;
}

}  // namespace oru::tool
