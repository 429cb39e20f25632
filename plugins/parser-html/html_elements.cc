#include "plugins/parser-html/html_elements.h"

#include <algorithm>
#include <iterator>

namespace oru::ostrin {
namespace {

struct Entry {
  std::u16string_view name;
  ElementInfo info;
};

constexpr ElementInfo kBlock{ElementKind::kBlock, false};
constexpr ElementInfo kBlockOut{ElementKind::kBlock, true};
constexpr ElementInfo kInline{ElementKind::kInline, false};
constexpr ElementInfo kInlineOut{ElementKind::kInline, true};
constexpr ElementInfo kHiddenRaw{ElementKind::kHiddenRawText, false};
constexpr ElementInfo kHiddenTree{ElementKind::kHiddenSubtree, false};

// Elements a browser shows inline, those with special content, and those that leave foreign
// content; every other name is a block.
constexpr Entry kElements[] = {
    {u"a", kInline},
    {u"abbr", kInline},
    {u"acronym", kInline},
    {u"audio", kHiddenTree},
    {u"b", kInlineOut},
    {u"bdi", kInline},
    {u"bdo", kInline},
    {u"big", kInlineOut},
    {u"blink", kInline},
    {u"blockquote", kBlockOut},
    {u"body", kBlockOut},
    {u"br", kBlockOut},
    {u"canvas", kHiddenTree},
    {u"center", kBlockOut},
    {u"cite", kInline},
    {u"code", kInlineOut},
    {u"data", kInline},
    {u"datalist", kHiddenTree},
    {u"dd", kBlockOut},
    {u"del", kInline},
    {u"dfn", kInline},
    {u"div", kBlockOut},
    {u"dl", kBlockOut},
    {u"dt", kBlockOut},
    {u"em", kInlineOut},
    {u"embed", kBlockOut},
    {u"font", kInline},
    {u"h1", kBlockOut},
    {u"h2", kBlockOut},
    {u"h3", kBlockOut},
    {u"h4", kBlockOut},
    {u"h5", kBlockOut},
    {u"h6", kBlockOut},
    {u"head", kBlockOut},
    {u"hr", kBlockOut},
    {u"i", kInlineOut},
    {u"iframe", kHiddenRaw},
    {u"img", {ElementKind::kImage, true}},
    {u"ins", kInline},
    {u"kbd", kInline},
    {u"li", kBlockOut},
    {u"listing", kBlockOut},
    {u"mark", kInline},
    {u"math", {ElementKind::kForeign, false}},
    {u"menu", kBlockOut},
    {u"meta", {ElementKind::kMeta, true}},
    {u"nobr", kInlineOut},
    {u"noembed", kHiddenRaw},
    {u"noframes", kHiddenRaw},
    {u"noscript", kHiddenRaw},
    {u"object", kHiddenTree},
    {u"ol", kBlockOut},
    {u"p", kBlockOut},
    {u"plaintext", {ElementKind::kPlaintext, false}},
    {u"pre", kBlockOut},
    {u"q", kInline},
    {u"rb", kInline},
    {u"rp", kInline},
    {u"rt", kInline},
    {u"rtc", kInline},
    {u"ruby", kInlineOut},
    {u"s", kInlineOut},
    {u"samp", kInline},
    {u"script", kHiddenRaw},
    {u"small", kInlineOut},
    {u"span", kInlineOut},
    {u"strike", kInlineOut},
    {u"strong", kInlineOut},
    {u"style", kHiddenRaw},
    {u"sub", kInlineOut},
    {u"sup", kInlineOut},
    {u"svg", {ElementKind::kForeign, false}},
    {u"table", kBlockOut},
    {u"template", kHiddenTree},
    {u"textarea", {ElementKind::kShownRcdata, false}},
    {u"time", kInline},
    {u"title", {ElementKind::kTitle, false}},
    {u"tt", kInlineOut},
    {u"u", kInlineOut},
    {u"ul", kBlockOut},
    {u"var", kInlineOut},
    {u"video", kHiddenTree},
    {u"wbr", kInline},
    {u"xmp", {ElementKind::kShownRawText, false}},
};
// The table by key, sorted at compile time.
struct KeyedEntry {
  uint64_t key;
  ElementInfo info;
};
struct KeyedTable {
  KeyedEntry entries[std::size(kElements)];
};

constexpr KeyedTable MakeKeyedTable() {
  KeyedTable table{};
  for (size_t i = 0; i < std::size(kElements); ++i) {
    table.entries[i] = {ElementKey(kElements[i].name), kElements[i].info};
  }
  std::sort(std::begin(table.entries), std::end(table.entries),
            [](const KeyedEntry& a, const KeyedEntry& b) { return a.key < b.key; });
  return table;
}

constexpr KeyedTable kByKey = MakeKeyedTable();

constexpr bool KeysAreDistinct() {
  for (size_t i = 0; i < std::size(kByKey.entries); ++i) {
    if (kByKey.entries[i].key == 0) return false;
    if (i > 0 && kByKey.entries[i - 1].key == kByKey.entries[i].key) return false;
  }
  return true;
}
static_assert(KeysAreDistinct());

}  // namespace

ElementInfo LookUpElement(uint64_t key) {
  const auto found =
      std::lower_bound(std::begin(kByKey.entries), std::end(kByKey.entries), key,
                       [](const KeyedEntry& entry, uint64_t k) { return entry.key < k; });
  if (found != std::end(kByKey.entries) && found->key == key) return found->info;
  return kBlock;
}

}  // namespace oru::ostrin
