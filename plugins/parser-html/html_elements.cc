#include "plugins/parser-html/html_elements.h"

#include <algorithm>
#include <iterator>

namespace oru::ostrin {
namespace {

struct Entry {
  std::string_view name;
  ElementInfo info;
};

constexpr ElementInfo kBlock{ElementKind::kBlock, false};
constexpr ElementInfo kBlockOut{ElementKind::kBlock, true};
constexpr ElementInfo kInline{ElementKind::kInline, false};
constexpr ElementInfo kInlineOut{ElementKind::kInline, true};
constexpr ElementInfo kHiddenRaw{ElementKind::kHiddenRawText, false};
constexpr ElementInfo kHiddenTree{ElementKind::kHiddenSubtree, false};

// Sorted by name. Elements a browser shows inline, those with special content, and those that
// leave foreign content; every other name is a block.
constexpr Entry kElements[] = {
    {"a", kInline},
    {"abbr", kInline},
    {"acronym", kInline},
    {"audio", kHiddenTree},
    {"b", kInlineOut},
    {"bdi", kInline},
    {"bdo", kInline},
    {"big", kInlineOut},
    {"blink", kInline},
    {"blockquote", kBlockOut},
    {"body", kBlockOut},
    {"br", kBlockOut},
    {"canvas", kHiddenTree},
    {"center", kBlockOut},
    {"cite", kInline},
    {"code", kInlineOut},
    {"data", kInline},
    {"datalist", kHiddenTree},
    {"dd", kBlockOut},
    {"del", kInline},
    {"dfn", kInline},
    {"div", kBlockOut},
    {"dl", kBlockOut},
    {"dt", kBlockOut},
    {"em", kInlineOut},
    {"embed", kBlockOut},
    {"font", kInline},
    {"h1", kBlockOut},
    {"h2", kBlockOut},
    {"h3", kBlockOut},
    {"h4", kBlockOut},
    {"h5", kBlockOut},
    {"h6", kBlockOut},
    {"head", kBlockOut},
    {"hr", kBlockOut},
    {"i", kInlineOut},
    {"iframe", kHiddenRaw},
    {"img", {ElementKind::kImage, true}},
    {"ins", kInline},
    {"kbd", kInline},
    {"li", kBlockOut},
    {"listing", kBlockOut},
    {"mark", kInline},
    {"math", {ElementKind::kForeign, false}},
    {"menu", kBlockOut},
    {"meta", {ElementKind::kMeta, true}},
    {"nobr", kInlineOut},
    {"noembed", kHiddenRaw},
    {"noframes", kHiddenRaw},
    {"noscript", kHiddenRaw},
    {"object", kHiddenTree},
    {"ol", kBlockOut},
    {"p", kBlockOut},
    {"plaintext", {ElementKind::kPlaintext, false}},
    {"pre", kBlockOut},
    {"q", kInline},
    {"rb", kInline},
    {"rp", kInline},
    {"rt", kInline},
    {"rtc", kInline},
    {"ruby", kInlineOut},
    {"s", kInlineOut},
    {"samp", kInline},
    {"script", kHiddenRaw},
    {"small", kInlineOut},
    {"span", kInlineOut},
    {"strike", kInlineOut},
    {"strong", kInlineOut},
    {"style", kHiddenRaw},
    {"sub", kInlineOut},
    {"sup", kInlineOut},
    {"svg", {ElementKind::kForeign, false}},
    {"table", kBlockOut},
    {"template", kHiddenTree},
    {"textarea", {ElementKind::kShownRcdata, false}},
    {"time", kInline},
    {"title", {ElementKind::kTitle, false}},
    {"tt", kInlineOut},
    {"u", kInlineOut},
    {"ul", kBlockOut},
    {"var", kInlineOut},
    {"video", kHiddenTree},
    {"wbr", kInline},
    {"xmp", {ElementKind::kShownRawText, false}},
};
static_assert(std::is_sorted(std::begin(kElements), std::end(kElements),
                             [](const Entry& a, const Entry& b) { return a.name < b.name; }));

int Compare(std::string_view a, std::u16string_view b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    const char16_t c = static_cast<unsigned char>(a[i]);
    if (c != b[i]) return c < b[i] ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace

ElementInfo LookUpElement(std::u16string_view name) {
  const auto found = std::lower_bound(
      std::begin(kElements), std::end(kElements), name,
      [](const Entry& entry, std::u16string_view key) { return Compare(entry.name, key) < 0; });
  if (found != std::end(kElements) && Compare(found->name, name) == 0) return found->info;
  return kBlock;
}

}  // namespace oru::ostrin
