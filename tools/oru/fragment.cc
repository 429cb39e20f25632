#include "tools/oru/fragment.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "tools/oru/normalise.h"
#include "tools/oru/text.h"

namespace oru::tool {

namespace {

// Ends the parse however Fragment leaves.
class ParseGuard {
 public:
  explicit ParseGuard(StopParseFn stop) : stop_(stop) {}
  ~ParseGuard() { stop_(); }
  ParseGuard(const ParseGuard&) = delete;
  ParseGuard& operator=(const ParseGuard&) = delete;

 private:
  StopParseFn stop_;
};

// Where a hit lies in the text, in characters.
struct Hit {
  uint32_t start = 0;
  uint32_t length = 0;
};

// Walks the words as the indexer does, feeding them to `matcher`, up to the first hit of a
// positive term (into `hit`) or, with `to_every_term`, on until the matcher has seen every term.
// True when a hit was found.
bool FindHit(const ParserExports& parser, TextMatcher* matcher, bool to_every_term, Hit* hit) {
  WordRecord rec{};
  rec.Capacity = sizeof(rec.Buffer);
  rec.Position = 0;
  bool found = false;
  for (;;) {
    if (matcher->AllSeen() && (found || to_every_term)) break;
    const uint32_t before = rec.Position;
    std::memset(rec.Buffer, 0, sizeof(rec.Buffer));
    if (!parser.next_word(&rec) || rec.Position == 0 || rec.Position <= before) break;
    if (!matcher->AddParsed(rec) || found) continue;
    // The word ends at Position; its length is known up to the buffer's size.
    found = true;
    hit->length = std::min(rec.IsWide ? rec.Length / 2u : rec.Length, rec.Position);
    hit->start = rec.Position - hit->length;
    if (!to_every_term) break;
  }
  return found;
}

// A piece of text the plug-in cut: where it starts, and whether it may stop inside a word.
struct Cut {
  std::u16string text;
  uint32_t start = 0;
  bool full = false;  // the window is as long as asked, so its end may cut a word
};

// Asks the plug-in for `size` characters around `position`; the text up to its first zero.
bool CutFragment(const ParserExports& parser, uint32_t position, uint32_t size, Cut* cut) {
  std::vector<uint8_t> buffer(2 * static_cast<size_t>(size) + 2, 0);
  FragmentRecord rec{};
  rec.Position = position;
  rec.Size = size;
  rec.Buffer = buffer.data();
  if (!parser.fragment(&rec)) return false;
  cut->text.clear();
  if (rec.IsWide) {
    for (size_t i = 0; i < size; ++i) {
      const char16_t unit = platform::ReadLe16(buffer.data() + 2 * i);
      if (unit == 0) break;
      cut->text.push_back(unit);
    }
  } else {
    const auto* bytes = reinterpret_cast<const char*>(buffer.data());
    cut->text = platform::AnsiToWide(std::string_view(bytes, strnlen(bytes, size)));
  }
  cut->start = rec.Position;
  cut->full = cut->text.size() >= size;
  return true;
}

bool IsWordChar(char16_t c) { return platform::IsWideAlphaNumeric(c) || c == u'-' || c == u'_'; }

// Drops the pieces of words that a window cut at its ends, but never any of the hit itself.
void DropCutWords(const Hit& hit, Cut* cut) {
  std::u16string& text = cut->text;
  if (hit.start < cut->start) return;
  const size_t hit_begin = std::min<size_t>(hit.start - cut->start, text.size());
  const size_t hit_end = std::min<size_t>(hit_begin + hit.length, text.size());
  size_t end = text.size();
  if (cut->full) {
    while (end > hit_end && IsWordChar(text[end - 1])) --end;
    if (end == hit_end) end = text.size();
  }
  size_t begin = 0;
  if (cut->start > 0) {
    while (begin < hit_begin && IsWordChar(text[begin])) ++begin;
    if (begin == hit_begin) begin = 0;
  }
  text = text.substr(begin, end - begin);
}

}  // namespace

bool FragmentMaker::Load(const std::string& work, const std::string& storage_type) {
  // The parser plug-ins of the storage type, registered as the indexer registers them; the
  // storage plug-in itself is not needed for fragments.
  loaded_ = plugins_.LoadParsers(work, storage_type);
  return loaded_;
}

bool FragmentMaker::Fragment(const std::string& path, const std::vector<std::string>& words,
                             std::string* fragment, bool* holds_every_word) {
  std::vector<TextTerm> terms;
  for (const std::string& word : words) terms.push_back({NodeKind::kWord, {word}, true});
  TextMatcher matcher(std::move(terms));
  bool found = false;
  const bool read = Scan(path, &matcher, holds_every_word != nullptr, fragment, &found);
  if (holds_every_word != nullptr) *holds_every_word = read && matcher.AllSeen();
  return found;
}

bool FragmentMaker::Scan(const std::string& path, TextMatcher* matcher, bool to_every_term,
                         std::string* fragment, bool* fragment_found) {
  if (fragment != nullptr) fragment->clear();
  if (fragment_found != nullptr) *fragment_found = false;
  if (!loaded_ || !platform::FileExists(path)) return false;
  const _TExtLib* record = plugins_.Match(path);
  if (record == nullptr || record->Exports->fragment == nullptr) return false;
  const ParserExports& parser = *record->Exports;
  ParseGuard guard(parser.stop);
  if (!parser.parse(path.c_str(), record->TypeName.c_str())) return false;
  Hit hit;
  if (!FindHit(parser, matcher, to_every_term, &hit) || fragment == nullptr) return true;
  Cut cut;
  // A window around the middle of the hit; a plug-in that lays out a whole line instead refuses
  // a small window, and gets a line's room.
  if (CutFragment(parser, hit.start + hit.length / 2, kFragmentChars, &cut)) {
    DropCutWords(hit, &cut);
  } else if (!CutFragment(parser, hit.start + hit.length / 2, kLineChars, &cut)) {
    return true;
  }
  *fragment = DisplayText(cut.text);
  if (fragment_found != nullptr) *fragment_found = true;
  return true;
}

}  // namespace oru::tool
