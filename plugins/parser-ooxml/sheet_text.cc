// Workbooks: the shared strings, the sheets in workbook order, their comments.
#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

#include "plugins/parser-common/utf16_text.h"
#include "plugins/parser-ooxml/ooxml_names.h"
#include "plugins/parser-ooxml/package.h"
#include "plugins/parser-ooxml/part_text.h"

namespace oru::ooxml {

namespace {

using containers::XmlEvent;
using containers::XmlReader;

constexpr size_t kMaxSheets = 1 << 16;
// The shared strings held: at most this many items and characters together; cells naming an
// item past them give nothing.
constexpr size_t kMaxSharedStrings = size_t{4} << 20;
constexpr size_t kMaxSharedChars = size_t{32} << 20;

// The shared strings of a workbook, one pool of characters and where each item starts.
class SharedStrings {
 public:
  void Read(XmlReader* reader);
  // Item `index`, or empty when there is none.
  std::u16string_view Item(uint64_t index) const {
    if (index + 1 >= starts_.size()) return {};
    return std::u16string_view(pool_).substr(starts_[index], starts_[index + 1] - starts_[index]);
  }

 private:
  std::u16string pool_;
  std::vector<uint32_t> starts_{0};
};

// Reads the text runs (t) of a string item (si, is, a comment's text) into `out` via `append`,
// leaving out phonetic runs (rPh); returns at the end of the element `reader` has just started.
template <typename Append>
XmlEvent ReadStringItem(XmlReader* reader, Append append) {
  const size_t depth = reader->depth();
  int in_text = 0;
  for (;;) {
    const XmlEvent event = reader->Next();
    if (event == XmlEvent::kEnd || event == XmlEvent::kMalformed) return event;
    if (event == XmlEvent::kText) {
      if (in_text > 0) append(reader->text());
      continue;
    }
    if (event == XmlEvent::kEndElement && reader->depth() < depth) return event;
    const bool sheet = VocabularyOf(*reader) == Vocabulary::kSheet;
    if (!sheet) continue;
    if (event == XmlEvent::kStartElement) {
      if (reader->local_name() == "t") {
        ++in_text;
      } else if (reader->local_name() == "rPh") {
        const XmlEvent skipped = containers::SkipElement(reader);
        if (skipped != XmlEvent::kEndElement) return skipped;
      }
    } else if (reader->local_name() == "t" && in_text > 0) {
      --in_text;
    }
  }
}

void SharedStrings::Read(XmlReader* reader) {
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (event != XmlEvent::kStartElement || !IsElement(*reader, Vocabulary::kSheet, "si")) {
      continue;
    }
    if (starts_.size() > kMaxSharedStrings) return;
    const XmlEvent ended = ReadStringItem(reader, [this](std::string_view text) {
      if (pool_.size() < kMaxSharedChars) containers::AppendUtf8AsUtf16(text, &pool_);
    });
    if (pool_.size() > kMaxSharedChars) pool_.resize(kMaxSharedChars);
    starts_.push_back(static_cast<uint32_t>(pool_.size()));
    if (ended != XmlEvent::kEndElement) return;
  }
}

// The string cells of one worksheet: shared strings (t="s"), inline strings (t="inlineStr")
// and formula results (t="str"); numbers, booleans, errors and formulas are left out.
void AppendWorksheet(XmlReader* reader, const SharedStrings& shared, containers::TextSink* sink) {
  enum class Cell { kOther, kShared, kString, kInline } cell = Cell::kOther;
  bool in_value = false;
  std::string index;  // the digits of a shared string's index
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (sink->full()) break;  // the rest could give nothing
    if (event == XmlEvent::kText) {
      if (!in_value) continue;
      if (cell == Cell::kString) sink->Append(reader->text());
      if (cell == Cell::kShared && index.size() < 24) index.append(reader->text().substr(0, 24));
      continue;
    }
    if (VocabularyOf(*reader) != Vocabulary::kSheet) continue;
    const std::string_view local = reader->local_name();
    if (event == XmlEvent::kStartElement) {
      if (local == "c") {
        const std::string_view* type = AttributeOf(*reader, Vocabulary::kOther, "t");
        cell = type == nullptr          ? Cell::kOther
               : *type == "s"           ? Cell::kShared
               : *type == "str"         ? Cell::kString
               : *type == "inlineStr"   ? Cell::kInline
                                        : Cell::kOther;
        // A number, boolean or error cell gives no text: it is passed over whole, which keeps
        // a sheet of millions of them quick to read.
        if (cell == Cell::kOther) {
          if (containers::SkipElement(reader) != XmlEvent::kEndElement) break;
          sink->Break(u'\t');
        }
      } else if (local == "v") {
        in_value = true;
        index.clear();
      } else if (local == "f") {
        containers::SkipElement(reader);
      } else if (local == "is" && cell == Cell::kInline) {
        ReadStringItem(reader, [sink](std::string_view text) { sink->Append(text); });
      }
      continue;
    }
    if (local == "v") {
      in_value = false;
      uint64_t at = 0;
      const size_t first = index.find_first_not_of(" \t\n");
      if (cell == Cell::kShared && first != std::string::npos) {
        const char* begin = index.data() + first;
        const char* end = index.data() + index.size();
        if (std::from_chars(begin, end, at).ec == std::errc()) {
          sink->Append(shared.Item(at));
        }
      }
    } else if (local == "c") {
      sink->Break(u'\t');
      cell = Cell::kOther;
    } else if (local == "row") {
      sink->Break(u'\n');
    }
  }
  sink->Break(u'\n');
}

// The comments of one sheet: the text of each comment (the authors list is left out).
void AppendComments(XmlReader* reader, containers::TextSink* sink) {
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (event != XmlEvent::kStartElement || !IsElement(*reader, Vocabulary::kSheet, "text")) {
      continue;
    }
    const XmlEvent ended =
        ReadStringItem(reader, [sink](std::string_view text) { sink->Append(text); });
    sink->Break(u'\n');
    if (ended != XmlEvent::kEndElement) return;
  }
}

struct Sheet {
  std::string name;
  std::string id;
};

}  // namespace

void AppendWorkbook(containers::ZipArchive* zip, std::string_view main, XmlReader* reader,
                    containers::TextSink* sink) {
  std::vector<Sheet> sheets;
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (event != XmlEvent::kStartElement || !IsElement(*reader, Vocabulary::kSheet, "sheet")) {
      continue;
    }
    const std::string_view* name = AttributeOf(*reader, Vocabulary::kOther, "name");
    const std::string_view* id = AttributeOf(*reader, Vocabulary::kRelationships, "id");
    if (id == nullptr) continue;
    sheets.push_back({name != nullptr ? std::string(name->substr(0, 1024)) : "", std::string(*id)});
    if (sheets.size() >= kMaxSheets) break;
  }
  const std::vector<Relationship> relationships = ReadRelationships(zip, main);
  const auto by_id = IndexById(relationships);
  SharedStrings shared;
  if (const Relationship* strings = FindByType(relationships, "sharedStrings")) {
    Part part(zip, strings->part);
    if (part.opened()) shared.Read(&part.reader());
  }
  for (const Sheet& sheet : sheets) {
    if (sink->full()) return;
    sink->Append(sheet.name);
    sink->Break(u'\n');
    const auto found = by_id.find(sheet.id);
    if (found == by_id.end() || !TypeIs(found->second->type, "worksheet")) continue;
    const std::string& name = found->second->part;
    if (name == main) continue;
    {
      Part part(zip, name);
      if (part.opened()) AppendWorksheet(&part.reader(), shared, sink);
    }
    const std::vector<Relationship> sheet_relationships = ReadRelationships(zip, name);
    if (const Relationship* comments = FindByType(sheet_relationships, "comments")) {
      Part part(zip, comments->part);
      if (part.opened()) AppendComments(&part.reader(), sink);
    }
  }
}

}  // namespace oru::ooxml
