// The cross-reference part of Document: the chain of sections from `startxref` on, and the
// rebuild by scanning when that chain is missing or wrong.
#include <algorithm>
#include <unordered_set>

#include "plugins/parser-pdf/pdf_document.h"
#include "plugins/parser-pdf/pdf_lexer.h"

namespace oru::pdf {
namespace {

// Sections followed through /Prev (each is visited once, so loops end anyway).
constexpr int kMaxSections = 4096;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void Document::MergeTrailer(const Dict& dict) {
  // Newer sections come first, so a key already present stays.
  for (const auto& [key, value] : dict.entries) {
    if (key == "Prev" || key == "XRefStm" || key == "Length" || key == "Filter" ||
        key == "DecodeParms" || key == "W" || key == "Index" || key == "Type") {
      continue;
    }
    if (trailer_->Find(key) == nullptr) trailer_->entries.emplace_back(key, value);
  }
}

bool Document::ReadXrefChain() {
  const size_t at = bytes_.rfind("startxref");
  if (at == std::string_view::npos) return false;
  Lexer lexer(bytes_, at + 9);
  int64_t offset = 0;
  if (!lexer.ReadUnsigned(&offset)) return false;
  std::unordered_set<int64_t> visited;
  bool any = false;
  for (int section = 0; section < kMaxSections; ++section) {
    if (offset < 0 || static_cast<uint64_t>(offset) >= bytes_.size()) break;
    if (!visited.insert(offset).second) break;  // a /Prev loop
    std::shared_ptr<Dict> trailer;
    const size_t at_offset = static_cast<size_t>(offset);
    if (!ReadXrefTable(at_offset, &trailer) && !ReadXrefStream(at_offset, &trailer)) break;
    any = true;
    MergeTrailer(*trailer);
    // A hybrid file lists its compressed objects in a stream beside the table.
    if (const Object* stream = trailer->Find("XRefStm"); stream != nullptr &&
        stream->type == Type::kInt && stream->integer >= 0 &&
        visited.insert(stream->integer).second) {
      std::shared_ptr<Dict> ignored;
      if (static_cast<uint64_t>(stream->integer) < bytes_.size()) {
        ReadXrefStream(static_cast<size_t>(stream->integer), &ignored);
      }
    }
    const Object* prev = trailer->Find("Prev");
    if (prev == nullptr || !prev->IsNumber()) break;
    offset = prev->Integer();
  }
  return any;
}

bool Document::ReadXrefTable(size_t offset, std::shared_ptr<Dict>* trailer) {
  Lexer lexer(bytes_, offset);
  if (!lexer.ReadKeyword("xref")) return false;
  int64_t first = 0, count = 0;
  while (lexer.ReadUnsigned(&first) && lexer.ReadUnsigned(&count)) {
    bool damaged = false;
    for (int64_t k = 0; k < count; ++k) {
      int64_t position = 0, generation = 0;
      if (!lexer.ReadUnsigned(&position) || !lexer.ReadUnsigned(&generation)) {
        damaged = true;
        break;
      }
      const bool used = lexer.ReadKeyword("n");
      if (!used && !lexer.ReadKeyword("f")) {
        damaged = true;
        break;
      }
      const int64_t number = first + k;
      if (used && number < INT32_MAX && position > 0 &&
          xref_.size() < budget_->limits.max_xref_entries) {
        XrefEntry entry;
        entry.type = 1;
        entry.offset = static_cast<uint64_t>(position);
        xref_.emplace(static_cast<uint32_t>(number), entry);
      }
    }
    if (damaged) break;
  }
  *trailer = std::make_shared<Dict>();
  if (!ChargeParse(lexer.pos() - offset)) return false;
  if (lexer.ReadKeyword("trailer")) {
    Object dict;
    if (lexer.Next(&dict, budget_->limits.max_depth) && dict.type == Type::kDict) {
      *trailer = dict.dict;
    }
  }
  return true;
}

bool Document::ReadXrefStream(size_t offset, std::shared_ptr<Dict>* trailer) {
  Object stream;
  uint32_t number = 0;
  int generation = 0;
  if (!ParseIndirectAt(offset, &stream, &number, &generation) || stream.type != Type::kStream) {
    return false;
  }
  const Dict* dict = stream.dict.get();
  const Object widths = Get(dict, "W");
  const Array* w = widths.AsArray();
  if (w == nullptr || w->size() < 3) return false;
  int field[3];
  for (int k = 0; k < 3; ++k) {
    const int64_t v = Resolve((*w)[k]).Integer();
    if (v < 0 || v > 8) return false;
    field[k] = static_cast<int>(v);
  }
  const size_t row = static_cast<size_t>(field[0] + field[1] + field[2]);
  if (row == 0) return false;
  std::string data;
  if (StreamData(stream, &data) == DecodeStatus::kUnsupported) return false;
  std::vector<std::pair<int64_t, int64_t>> ranges;
  const Object index = Get(dict, "Index");
  if (const Array* list = index.AsArray()) {
    for (size_t k = 0; k + 1 < list->size(); k += 2) {
      ranges.emplace_back(Resolve((*list)[k]).Integer(), Resolve((*list)[k + 1]).Integer());
    }
  } else {
    ranges.emplace_back(0, Get(dict, "Size").Integer());
  }
  size_t pos = 0;
  auto read = [&](int width) {
    uint64_t value = 0;
    for (int b = 0; b < width; ++b) value = (value << 8) | static_cast<uint8_t>(data[pos++]);
    return value;
  };
  for (const auto& [first, count] : ranges) {
    // Rows are read only while the data lasts, whatever the counts claim.
    for (int64_t k = 0; k < count && pos + row <= data.size(); ++k) {
      const uint64_t type = field[0] == 0 ? 1 : read(field[0]);
      const uint64_t second = read(field[1]);
      const uint64_t third = read(field[2]);
      const int64_t object = first + k;
      if (object < 0 || object >= INT32_MAX || (type != 1 && type != 2) ||
          xref_.size() >= budget_->limits.max_xref_entries) {
        continue;
      }
      XrefEntry entry;
      entry.type = static_cast<uint8_t>(type);
      entry.offset = second;
      entry.index = static_cast<uint32_t>(std::min<uint64_t>(third, UINT32_MAX));
      xref_.emplace(static_cast<uint32_t>(object), entry);
    }
  }
  *trailer = stream.dict;
  return true;
}

bool Document::Rebuild() {
  rebuilt_ = true;
  cache_.clear();
  cache_bytes_ = 0;
  object_streams_.clear();
  object_stream_bytes_ = 0;
  // Every "N G obj" in the file; a later one of the same number wins (incremental updates).
  // Found objects replace the table's entries; `order` lists them once each.
  std::vector<uint32_t> order;
  for (size_t pos = bytes_.find("obj"); pos != std::string_view::npos;
       pos = bytes_.find("obj", pos + 3)) {
    const size_t after = pos + 3;
    if (after < bytes_.size() && IsPdfRegular(bytes_[after])) continue;
    size_t k = pos;
    while (k > 0 && IsPdfSpace(bytes_[k - 1])) --k;
    if (k == pos) continue;
    const size_t generation_end = k;
    while (k > 0 && IsDigit(bytes_[k - 1]) && generation_end - k < 6) --k;
    if (k == generation_end || k == 0 || !IsPdfSpace(bytes_[k - 1])) continue;
    while (k > 0 && IsPdfSpace(bytes_[k - 1])) --k;
    const size_t number_end = k;
    while (k > 0 && IsDigit(bytes_[k - 1]) && number_end - k < 10) --k;
    if (k == number_end || (k > 0 && IsPdfRegular(bytes_[k - 1]))) continue;
    int64_t number = 0;
    for (size_t d = k; d < number_end; ++d) number = number * 10 + (bytes_[d] - '0');
    if (number >= INT32_MAX) continue;
    XrefEntry entry;
    entry.type = 1;
    entry.offset = k;
    const auto it = xref_.find(static_cast<uint32_t>(number));
    if (it != xref_.end()) {
      if (it->second.type != 1 || it->second.offset < k) order.push_back(it->first);
      it->second = entry;
    } else if (xref_.size() < budget_->limits.max_xref_entries) {
      xref_.emplace(static_cast<uint32_t>(number), entry);
      order.push_back(static_cast<uint32_t>(number));
    }
  }
  // `order` may name a number twice (an older table entry, then the scan); once is enough.
  std::sort(order.begin(), order.end());
  order.erase(std::unique(order.begin(), order.end()), order.end());

  // Trailers, the newest first (only the last few: older ones add nothing in practice).
  std::vector<size_t> trailers;
  for (size_t pos = bytes_.rfind("trailer"); pos != std::string_view::npos && trailers.size() < 16;
       pos = pos == 0 ? std::string_view::npos : bytes_.rfind("trailer", pos - 1)) {
    trailers.push_back(pos + 7);
  }
  for (const size_t at : trailers) {
    Lexer lexer(bytes_, at);
    Object dict;
    const bool parsed = lexer.Next(&dict, budget_->limits.max_depth);
    if (!ChargeParse(lexer.pos() - at)) break;
    if (parsed && dict.type == Type::kDict) MergeTrailer(*dict.dict);
  }

  // Object streams give their objects; cross-reference streams give trailer keys; a catalog
  // stands in for a missing /Root.
  int64_t catalog = -1;
  std::vector<uint32_t> object_streams;
  for (const uint32_t scanned : order) {
    if (budget_->cut) break;
    Object value;
    uint32_t number = 0;
    int generation = 0;
    const XrefEntry& entry = xref_[scanned];
    if (entry.type != 1 || !budget_->TakeObject() ||
        !ParseIndirectAt(entry.offset, &value, &number, &generation)) {
      continue;
    }
    const Dict* dict = value.AsDict();
    if (dict == nullptr) continue;
    const Object* type = dict->Find("Type");
    if (type == nullptr || type->type != Type::kName) continue;
    if (type->text == "ObjStm" && value.type == Type::kStream) {
      object_streams.push_back(number);
    } else if (type->text == "XRef") {
      MergeTrailer(*dict);
    } else if (type->text == "Catalog" && catalog < 0) {
      catalog = number;
    }
  }
  for (const uint32_t stream_number : object_streams) {
    const ObjectStream* stream = LoadObjectStream(stream_number);
    if (stream == nullptr) continue;
    for (size_t k = 0; k < stream->offsets.size(); ++k) {
      const uint32_t number = stream->offsets[k].first;
      const auto it = xref_.find(number);
      if (it != xref_.end() && it->second.type == 1) continue;  // objects in the file win
      if (it == xref_.end() && xref_.size() >= budget_->limits.max_xref_entries) continue;
      XrefEntry entry;
      entry.type = 2;
      entry.offset = stream_number;
      entry.index = static_cast<uint32_t>(k);
      xref_[number] = entry;
    }
  }
  const Object* root = trailer_->Find("Root");
  if ((root == nullptr || Resolve(*root).type != Type::kDict) && catalog >= 0) {
    std::erase_if(trailer_->entries, [](const auto& e) { return e.first == "Root"; });
    trailer_->entries.emplace_back("Root", Object::Ref(catalog, 0));
  }
  cache_.clear();
  cache_bytes_ = 0;
  return !order.empty();
}

}  // namespace oru::pdf
