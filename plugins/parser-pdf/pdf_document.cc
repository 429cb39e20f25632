#include "plugins/parser-pdf/pdf_document.h"

#include <algorithm>
#include <utility>

#include "plugins/parser-pdf/pdf_lexer.h"

namespace oru::pdf {
namespace {

// References followed in one chain (a reference to a reference...), and object loads open
// inside each other (an object stream inside an object stream, a /Length inside a stream).
constexpr int kMaxResolveHops = 32;
constexpr int kMaxLoadNesting = 24;


}  // namespace

Document::Document(std::string_view bytes, Budget* budget)
    : bytes_(bytes), budget_(budget), trailer_(std::make_shared<Dict>()),
      parse_allowance_(budget->limits.parse_floor +
                       budget->limits.parse_per_file_byte * bytes.size()) {}

size_t Document::FindEndstream(size_t from) {
  if (!endstreams_indexed_) {
    endstreams_indexed_ = true;
    for (size_t at = bytes_.find("endstream"); at != std::string_view::npos;
         at = bytes_.find("endstream", at + 9)) {
      endstreams_.push_back(at);
    }
  }
  const auto it = std::lower_bound(endstreams_.begin(), endstreams_.end(), from);
  return it == endstreams_.end() ? std::string_view::npos : *it;
}

bool Document::ChargeParse(size_t n) {
  if (n > parse_allowance_) {
    parse_allowance_ = 0;
    budget_->cut = true;
    return false;
  }
  parse_allowance_ -= n;
  return true;
}

Document::~Document() = default;

bool Document::Open() {
  if (!ReadXrefChain() || trailer_->Find("Root") == nullptr) Rebuild();
  if (!rebuilt_ && Get(trailer_.get(), "Root").type != Type::kDict) {
    cache_.clear();
    Rebuild();
  }
  return !xref_.empty();
}

void Document::SetDecryptor(std::unique_ptr<Decryptor> decryptor, uint32_t encrypt_number) {
  decryptor_ = std::move(decryptor);
  encrypt_number_ = encrypt_number;
  cache_.clear();  // objects read before now were not decrypted
  cache_bytes_ = 0;
  object_streams_.clear();
  object_stream_bytes_ = 0;
}

Object Document::Resolve(const Object& value) {
  if (value.type != Type::kRef) return value;
  Object current = value;
  for (int hop = 0; hop < kMaxResolveHops && current.type == Type::kRef; ++hop) {
    if (current.integer < 0 || current.integer > INT32_MAX) return Object();
    current = GetObject(static_cast<uint32_t>(current.integer));
  }
  return current.type == Type::kRef ? Object() : current;
}

Object Document::Get(const Dict* dict, std::string_view key) {
  if (dict == nullptr) return Object();
  const Object* value = dict->Find(key);
  return value == nullptr ? Object() : Resolve(*value);
}

Object Document::GetObject(uint32_t number) {
  if (const auto it = cache_.find(number); it != cache_.end()) return it->second;
  if (in_progress_.count(number) != 0 || in_progress_.size() >= kMaxLoadNesting) return Object();
  if (!budget_->TakeObject()) return Object();
  in_progress_.insert(number);
  Object value;
  last_parse_bytes_ = 0;
  if (!LoadFromXref(number, &value)) value = Object();
  in_progress_.erase(number);
  // A parsed object takes about four times the bytes it was read from.
  const size_t cost = 4 * last_parse_bytes_ + 128;
  if (cache_bytes_ + cost > budget_->limits.max_cache_bytes) {
    cache_.clear();
    cache_bytes_ = 0;
  }
  cache_bytes_ += cost;
  cache_[number] = value;
  return value;
}

bool Document::LoadFromXref(uint32_t number, Object* out) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    const auto it = xref_.find(number);
    if (it == xref_.end()) return false;  // a free or missing object reads as null
    const XrefEntry entry = it->second;
    if (entry.type == 1) {
      uint32_t found = 0;
      int generation = 0;
      if (ParseIndirectAt(entry.offset, out, &found, &generation) && found == number) {
        if (decryptor_ != nullptr && number != encrypt_number_) {
          DecryptStrings(out, number, generation, 0);
        }
        return true;
      }
    } else if (entry.type == 2 && entry.offset <= UINT32_MAX) {
      const ObjectStream* stream = LoadObjectStream(static_cast<uint32_t>(entry.offset));
      if (stream != nullptr) {
        size_t offset = SIZE_MAX;
        if (entry.index < stream->offsets.size() &&
            stream->offsets[entry.index].first == number) {
          offset = stream->offsets[entry.index].second;
        } else {
          for (const auto& [n, o] : stream->offsets) {
            if (n == number) offset = o;
          }
        }
        if (offset < stream->data.size()) {
          // The stream may be dropped from the cache by a nested load: parse from a copy view
          // only while it is certainly alive, which is now (no loads happen inside Next).
          Lexer lexer(stream->data, offset);
          lexer.Next(out, budget_->limits.max_depth);
          last_parse_bytes_ = lexer.pos() - offset;
          if (out->type == Type::kOperator) *out = Object();
          return true;
        }
      }
    }
    // The table points at the wrong place: scan the file once and try again.
    if (rebuilt_) return false;
    Rebuild();
  }
  return false;
}

const Document::ObjectStream* Document::LoadObjectStream(uint32_t number) {
  if (const auto it = object_streams_.find(number); it != object_streams_.end()) {
    return it->second.get();
  }
  const Object stream = GetObject(number);
  if (stream.type != Type::kStream) return nullptr;
  auto loaded = std::make_unique<ObjectStream>();
  const DecodeStatus status = StreamData(stream, &loaded->data);
  if (status == DecodeStatus::kUnsupported) return nullptr;
  const int64_t count = Get(stream.dict.get(), "N").Integer();
  const int64_t first = Get(stream.dict.get(), "First").Integer();
  if (count <= 0 || first < 0 || static_cast<uint64_t>(first) > loaded->data.size()) {
    return nullptr;
  }
  Lexer lexer(loaded->data);
  for (int64_t k = 0; k < count; ++k) {
    int64_t object_number = 0, offset = 0;
    if (!lexer.ReadUnsigned(&object_number) || !lexer.ReadUnsigned(&offset)) break;
    if (object_number > INT32_MAX || offset > INT32_MAX) break;
    loaded->offsets.emplace_back(static_cast<uint32_t>(object_number),
                                 static_cast<size_t>(first + offset));
  }
  if (object_stream_bytes_ + loaded->data.size() > budget_->limits.max_cache_bytes) {
    object_streams_.clear();
    object_stream_bytes_ = 0;
  }
  object_stream_bytes_ += loaded->data.size();
  auto& slot = object_streams_[number];
  slot = std::move(loaded);
  return slot.get();
}

bool Document::ParseIndirectAt(size_t offset, Object* out, uint32_t* number, int* generation) {
  if (offset >= bytes_.size() || parse_allowance_ == 0) return false;
  Lexer lexer(bytes_, offset);
  int64_t n = 0, g = 0;
  if (!lexer.ReadUnsigned(&n) || !lexer.ReadUnsigned(&g) || !lexer.ReadKeyword("obj")) {
    return false;
  }
  if (n > INT32_MAX) return false;
  *number = static_cast<uint32_t>(n);
  *generation = static_cast<int>(std::min<int64_t>(g, 65535));
  const bool parsed = lexer.Next(out, budget_->limits.max_depth);
  last_parse_bytes_ = lexer.pos() - offset;
  if (!ChargeParse(lexer.pos() - offset)) return false;
  if (!parsed || out->type == Type::kOperator) {
    *out = Object();
    return true;
  }
  if (out->type != Type::kDict || !lexer.ReadKeyword("stream")) return true;
  size_t start = lexer.pos();
  if (start < bytes_.size() && bytes_[start] == '\r') ++start;
  if (start < bytes_.size() && bytes_[start] == '\n') ++start;
  // The declared length when it leads to "endstream"; else the bytes up to "endstream". A
  // /Length that refers back to this object resolves to null here (it is being loaded).
  const Object length = Resolve(out->dict->Find("Length") ? *out->dict->Find("Length") : Object());
  size_t end = std::string_view::npos;
  if (length.type == Type::kInt && length.integer >= 0 &&
      static_cast<uint64_t>(length.integer) <= bytes_.size() - start) {
    Lexer after(bytes_, start + static_cast<size_t>(length.integer));
    if (after.ReadKeyword("endstream")) end = start + static_cast<size_t>(length.integer);
  }
  if (end == std::string_view::npos) {
    end = FindEndstream(start);
    if (end == std::string_view::npos) {
      end = bytes_.size();
    } else {
      if (end > start && bytes_[end - 1] == '\n') --end;
      if (end > start && bytes_[end - 1] == '\r') --end;
    }
  }
  out->type = Type::kStream;
  out->raw = bytes_.substr(start, end - start);
  out->stream_number = *number;
  out->stream_generation = *generation;
  return true;
}

void Document::DecryptStrings(Object* value, uint32_t number, int generation, int depth) const {
  if (depth > budget_->limits.max_depth) return;
  switch (value->type) {
    case Type::kString:
      decryptor_->DecryptString(number, generation, &value->text);
      break;
    case Type::kArray:
      for (Object& item : *value->array) DecryptStrings(&item, number, generation, depth + 1);
      break;
    case Type::kDict:
    case Type::kStream:
      for (auto& entry : value->dict->entries) {
        DecryptStrings(&entry.second, number, generation, depth + 1);
      }
      break;
    default:
      break;
  }
}

std::vector<FilterStep> Document::FilterSteps(const Dict& dict) {
  std::vector<FilterStep> steps;
  const Object filter = Get(&dict, "Filter");
  const Object parms = Get(&dict, "DecodeParms");
  auto add = [&](const Object& name, const Object& parm) {
    if (name.type != Type::kName) return;
    FilterStep step;
    step.name = name.text;
    const Object p = Resolve(parm);
    if (const Dict* d = p.AsDict()) {
      auto number = [&](const char* key, int fallback) {
        const Object v = Get(d, key);
        if (!v.IsNumber()) return fallback;
        return static_cast<int>(std::clamp<int64_t>(v.Integer(), -1, INT32_MAX));
      };
      step.predictor = number("Predictor", 1);
      step.colors = number("Colors", 1);
      step.bits_per_component = number("BitsPerComponent", 8);
      step.columns = number("Columns", 1);
      step.early_change = number("EarlyChange", 1) == 0 ? 0 : 1;
    }
    steps.push_back(std::move(step));
  };
  if (const Array* names = filter.AsArray()) {
    const Array* parm_list = parms.AsArray();
    for (size_t k = 0; k < names->size() && k < 32; ++k) {
      add(Resolve((*names)[k]),
          parm_list != nullptr && k < parm_list->size() ? (*parm_list)[k] : Object());
    }
  } else {
    add(filter, parms);
  }
  return steps;
}

DecodeStatus Document::StreamData(const Object& stream, std::string* out) {
  out->clear();
  if (stream.type != Type::kStream) return DecodeStatus::kUnsupported;
  const Dict& dict = *stream.dict;
  std::vector<FilterStep> steps = FilterSteps(dict);
  std::string decrypted;
  std::string_view raw = stream.raw;
  bool identity = false;
  for (const FilterStep& step : steps) identity = identity || step.name == "Crypt";
  if (decryptor_ != nullptr && !identity && stream.stream_number != encrypt_number_ &&
      !Get(&dict, "Type").IsName("XRef")) {
    decrypted = decryptor_->DecryptStream(stream.stream_number, stream.stream_generation, dict,
                                          raw);
    raw = decrypted;
  }
  if (steps.empty()) {
    const size_t n = std::min(raw.size(), budget_->limits.max_stream_bytes);
    out->assign(raw.substr(0, n));
    return n < raw.size() ? DecodeStatus::kLimit : DecodeStatus::kOk;
  }
  const size_t left = budget_->limits.max_decoded_bytes - budget_->decoded;
  size_t allowance = std::min(budget_->limits.max_stream_bytes, left);
  const size_t before = allowance;
  const DecodeStatus status = DecodeStream(raw, steps, &allowance, out);
  // Only the document's total ends the reading; one stream over its own cap is cut alone.
  budget_->TakeDecoded(before - allowance);
  if (status == DecodeStatus::kLimit && allowance == 0 && before < budget_->limits.max_stream_bytes) {
    budget_->cut = true;
  }
  return status;
}

}  // namespace oru::pdf
