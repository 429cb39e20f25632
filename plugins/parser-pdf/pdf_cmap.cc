#include "plugins/parser-pdf/pdf_cmap.h"

#include <algorithm>

#include "plugins/parser-pdf/glyph_list.h"
#include "plugins/parser-pdf/pdf_lexer.h"

namespace oru::pdf {
namespace {

// Entries of each kind kept from one program; the rest is dropped.
constexpr size_t kMaxEntries = 1 << 16;
constexpr int kMaxDepth = 8;

uint32_t CodeOf(const std::string& bytes) {
  uint32_t code = 0;
  for (size_t k = 0; k < bytes.size() && k < 4; ++k) code = (code << 8) | static_cast<uint8_t>(bytes[k]);
  return code;
}

// A bfchar/bfrange target: UTF-16BE bytes (a lone byte as itself), or a glyph name.
std::u16string TargetText(const Object& target) {
  std::u16string out;
  if (target.type == Type::kName) return GlyphText(target.text);
  if (target.type != Type::kString) return out;
  const std::string& b = target.text;
  if (b.size() == 1) {
    out.push_back(static_cast<uint8_t>(b[0]));
    return out;
  }
  for (size_t k = 0; k + 1 < b.size(); k += 2) {
    out.push_back(static_cast<char16_t>((static_cast<uint8_t>(b[k]) << 8) | static_cast<uint8_t>(b[k + 1])));
  }
  return out;
}

}  // namespace

CMap CMap::Parse(std::string_view program) {
  CMap cmap;
  Lexer lexer(program);
  Object token;
  std::vector<Object> operands;
  while (lexer.Next(&token, kMaxDepth, false)) {
    if (token.type != Type::kOperator) {
      if (operands.size() < 4096) operands.push_back(std::move(token));
      continue;
    }
    const std::string& op = token.text;
    const auto section = [&](const char* end_keyword, size_t arity, auto&& take) {
      std::vector<Object> group;
      while (lexer.Next(&token, kMaxDepth, false)) {
        if (token.type == Type::kOperator) {
          if (token.text == end_keyword) break;
          continue;
        }
        group.push_back(std::move(token));
        if (group.size() == arity) {
          take(group);
          group.clear();
        }
      }
    };
    if (op == "begincodespacerange") {
      section("endcodespacerange", 2, [&](std::vector<Object>& g) {
        if (g[0].type != Type::kString || g[1].type != Type::kString) return;
        const size_t length = g[0].text.size();
        if (length < 1 || length > 4 || cmap.codespace_.size() >= 256) return;
        cmap.codespace_.push_back({CodeOf(g[0].text), CodeOf(g[1].text), static_cast<int>(length)});
      });
    } else if (op == "beginbfchar") {
      section("endbfchar", 2, [&](std::vector<Object>& g) {
        if (g[0].type != Type::kString || cmap.unicode_.size() >= kMaxEntries) return;
        std::u16string text = TargetText(g[1]);
        if (!text.empty()) cmap.unicode_.insert_or_assign(CodeOf(g[0].text), std::move(text));
      });
    } else if (op == "beginbfrange") {
      section("endbfrange", 3, [&](std::vector<Object>& g) {
        if (g[0].type != Type::kString || g[1].type != Type::kString) return;
        const uint32_t low = CodeOf(g[0].text), high = CodeOf(g[1].text);
        if (high < low) return;
        if (const Array* targets = g[2].AsArray()) {
          for (size_t k = 0; k < targets->size() && k <= high - low; ++k) {
            if (cmap.unicode_.size() >= kMaxEntries) break;
            std::u16string text = TargetText((*targets)[k]);
            if (!text.empty()) {
              cmap.unicode_.insert_or_assign(low + static_cast<uint32_t>(k), std::move(text));
            }
          }
        } else if (cmap.unicode_ranges_.size() < kMaxEntries) {
          std::u16string start = TargetText(g[2]);
          if (!start.empty()) cmap.unicode_ranges_.push_back({low, high, std::move(start)});
        }
      });
    } else if (op == "begincidchar") {
      section("endcidchar", 2, [&](std::vector<Object>& g) {
        if (g[0].type != Type::kString || g[1].type != Type::kInt || g[1].integer < 0 ||
            cmap.cids_.size() >= kMaxEntries) {
          return;
        }
        cmap.cids_[CodeOf(g[0].text)] = static_cast<uint32_t>(g[1].integer & 0xFFFFFFFF);
      });
    } else if (op == "begincidrange") {
      section("endcidrange", 3, [&](std::vector<Object>& g) {
        if (g[0].type != Type::kString || g[1].type != Type::kString ||
            g[2].type != Type::kInt || g[2].integer < 0 ||
            cmap.cid_ranges_.size() >= kMaxEntries) {
          return;
        }
        const uint32_t low = CodeOf(g[0].text), high = CodeOf(g[1].text);
        if (high >= low) {
          cmap.cid_ranges_.push_back({low, high, static_cast<uint32_t>(g[2].integer & 0xFFFFFFFF)});
        }
      });
    }
    operands.clear();
  }
  std::stable_sort(cmap.unicode_ranges_.begin(), cmap.unicode_ranges_.end(),
                   [](const UnicodeRange& a, const UnicodeRange& b) { return a.low < b.low; });
  std::stable_sort(cmap.cid_ranges_.begin(), cmap.cid_ranges_.end(),
                   [](const CidRange& a, const CidRange& b) { return a.low < b.low; });
  return cmap;
}

int CMap::CodeLength(std::string_view bytes, int fallback) const {
  const int available = static_cast<int>(std::min<size_t>(bytes.size(), 4));
  uint32_t code = 0;
  for (int length = 1; length <= available; ++length) {
    code = (code << 8) | static_cast<uint8_t>(bytes[length - 1]);
    for (const Space& space : codespace_) {
      if (space.length == length && code >= space.low && code <= space.high) return length;
    }
  }
  return std::clamp(fallback, 1, std::max(available, 1));
}

bool CMap::ToUnicode(uint32_t code, std::u16string* out) const {
  if (const auto it = unicode_.find(code); it != unicode_.end()) {
    *out += it->second;
    return true;
  }
  // The last range starting at or before `code` that holds it.
  auto it = std::upper_bound(unicode_ranges_.begin(), unicode_ranges_.end(), code,
                             [](uint32_t c, const UnicodeRange& r) { return c < r.low; });
  for (int tries = 0; it != unicode_ranges_.begin() && tries < 8; ++tries) {
    --it;
    if (code <= it->high) {
      std::u16string text = it->start;
      text.back() = static_cast<char16_t>(text.back() + (code - it->low));
      *out += text;
      return true;
    }
  }
  return false;
}

bool CMap::ToCid(uint32_t code, uint32_t* cid) const {
  if (const auto it = cids_.find(code); it != cids_.end()) {
    *cid = it->second;
    return true;
  }
  auto it = std::upper_bound(cid_ranges_.begin(), cid_ranges_.end(), code,
                             [](uint32_t c, const CidRange& r) { return c < r.low; });
  for (int tries = 0; it != cid_ranges_.begin() && tries < 8; ++tries) {
    --it;
    if (code <= it->high) {
      *cid = it->cid + (code - it->low);
      return true;
    }
  }
  return false;
}

}  // namespace oru::pdf
