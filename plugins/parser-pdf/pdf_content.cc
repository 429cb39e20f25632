#include "plugins/parser-pdf/pdf_content.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "plugins/parser-pdf/pdf_lexer.h"

namespace oru::pdf {
namespace {

// Saved graphics states (q without Q) kept; deeper saves are counted, not stored.
constexpr size_t kMaxSavedStates = 256;
// Operands kept for one operator (the most any text operator takes is 6).
constexpr size_t kMaxOperands = 64;
// A TJ offset moving right by more than this many thousandths of an em is a word break.
constexpr double kTjWordBreak = 200;
// What drawing a form costs in operators besides its own (setting up the run).
constexpr uint64_t kFormCost = 100;

// Operators of up to three bytes as one number, for a switch; longer ones give 0.
constexpr uint32_t Key(std::string_view op) {
  uint32_t key = 0;
  for (const char c : op) key = (key << 8) | static_cast<uint8_t>(c);
  return op.size() <= 3 ? key : 0;
}
uint32_t OperatorKey(const std::string& op) { return op.size() <= 3 ? Key(op) : 0; }

bool IsTextByte(unsigned char c) { return c == '\t' || c == '\n' || c == '\r' || (c >= 0x20 && c < 0x7F); }

}  // namespace

Matrix Matrix::Then(const Matrix& t) const {
  return {a * t.a + b * t.c, a * t.b + b * t.d, c * t.a + d * t.c,
          c * t.b + d * t.d, e * t.a + f * t.c + t.e, e * t.b + f * t.d + t.f};
}

void ContentRunner::RunPages() {
  struct Node {
    Object node;
    Object resources;
    int depth;
  };
  const Object root = document_.Get(&document_.trailer(), "Root");
  const Dict* catalog = root.AsDict();
  if (catalog == nullptr) return;
  std::unordered_set<uint32_t> visited;
  if (const Object* pages = catalog->Find("Pages"); pages != nullptr && pages->type == Type::kRef) {
    visited.insert(static_cast<uint32_t>(pages->integer));
  }
  std::vector<Node> stack;
  stack.push_back({document_.Get(catalog, "Pages"), Object(), 0});
  const int max_depth = document_.budget()->limits.max_depth;
  while (!stack.empty() && !Stopped()) {
    Node current = std::move(stack.back());
    stack.pop_back();
    const Dict* node = current.node.AsDict();
    if (node == nullptr) continue;
    Object resources = node->Find("Resources") != nullptr ? document_.Get(node, "Resources")
                                                          : current.resources;
    const Object kids = document_.Get(node, "Kids");
    if (const Array* list = kids.AsArray(); list != nullptr && !document_.Get(node, "Type").IsName("Page")) {
      if (current.depth >= max_depth) continue;
      for (size_t k = list->size(); k-- > 0;) {
        const Object& kid = (*list)[k];
        if (kid.type == Type::kRef) {
          if (kid.integer < 0 || kid.integer > INT32_MAX) continue;
          if (!visited.insert(static_cast<uint32_t>(kid.integer)).second) continue;  // a loop
        }
        stack.push_back({document_.Resolve(kid), resources, current.depth + 1});
      }
      continue;
    }
    RunPage(*node, resources);
    layout_->EndBlock();
  }
}

void ContentRunner::RunPage(const Dict& page, const Object& resources) {
  const Object contents = document_.Get(&page, "Contents");
  // The buffers live on from page to page, so that their memory is reused.
  std::string& content = content_;
  content.clear();
  if (contents.type == Type::kStream) {
    document_.StreamData(contents, &content);
  } else if (const Array* parts = contents.AsArray()) {
    for (const Object& item : *parts) {
      if (Stopped() || content.size() > document_.budget()->limits.max_stream_bytes) break;
      document_.StreamData(document_.Resolve(item), &part_);
      content += part_;
      content += '\n';  // streams of one page join with a separator between them
    }
  }
  GraphicsState start;
  Run(content, resources, start, 0);
}

void ContentRunner::RunContent(std::string_view content, const Dict* resources) {
  Object dict;
  if (resources != nullptr) {
    dict.type = Type::kDict;
    dict.dict = std::make_shared<Dict>(*resources);
  }
  Run(content, dict, GraphicsState(), 0);
}

void ContentRunner::MoveText(double tx, double ty) {
  Matrix move;
  move.e = tx;
  move.f = ty;
  text_matrix_ = move.Then(text_matrix_);
}

std::shared_ptr<const Font> ContentRunner::LoadFont(const Object& resources, const Object& name) {
  if (last_font_ != nullptr && resources.AsDict() == last_font_resources_.get() &&
      name.type == Type::kName && name.text == last_font_name_) {
    return last_font_;
  }
  std::shared_ptr<const Font> font = FindFont(resources, name);
  last_font_resources_ = resources.AsDict() != nullptr ? resources.dict : nullptr;
  last_font_name_ = name.text;
  last_font_ = font;
  return font;
}

std::shared_ptr<const Font> ContentRunner::FindFont(const Object& resources, const Object& name) {
  const Object fonts = document_.Get(resources.AsDict(), "Font");
  const Object font = name.type == Type::kName ? document_.Get(fonts.AsDict(), name.text) : Object();
  if (font.AsDict() == nullptr) {
    if (fallback_font_ == nullptr) fallback_font_ = std::make_shared<Font>(document_, Dict());
    return fallback_font_;
  }
  const Dict* key = font.dict.get();
  if (const auto it = fonts_.find(key); it != fonts_.end()) return it->second.second;
  auto loaded = std::make_shared<const Font>(document_, *font.dict, &cmaps_);
  if (font_bytes_ + loaded->memory() > document_.budget()->limits.max_cache_bytes) {
    fonts_.clear();
    font_bytes_ = 0;
  }
  font_bytes_ += loaded->memory();
  fonts_[key] = {font.dict, loaded};  // holding the dictionary keeps its address unique
  return loaded;
}

void ContentRunner::ShowString(const std::string& bytes, const GraphicsState& gs) {
  std::shared_ptr<const Font> font = gs.text.font;
  if (font == nullptr) {
    if (fallback_font_ == nullptr) fallback_font_ = std::make_shared<Font>(document_, Dict());
    font = fallback_font_;
  }
  font->Decode(bytes, &glyphs_);
  const TextState& ts = gs.text;
  // The text rendering matrix, moved along with the text matrix glyph by glyph.
  Matrix m = text_matrix_.Then(gs.ctm);
  const double size = ts.size * std::sqrt(m.c * m.c + m.d * m.d);
  for (const FontGlyph& glyph : glyphs_) {
    PlacedGlyph placed;
    placed.text = glyph.text;
    placed.x = m.c * ts.rise + m.e;
    placed.y = m.d * ts.rise + m.f;
    placed.size = size;
    placed.widths_known = font->has_widths();
    double tx = 0, ty = 0;
    if (font->vertical()) {
      ty = -(glyph.width * ts.size) - ts.char_space - (glyph.word_space ? ts.word_space : 0);
    } else {
      tx = (glyph.width * ts.size + ts.char_space + (glyph.word_space ? ts.word_space : 0)) *
           ts.scale;
    }
    // The glyph ends where its own width ends: character and word spacing are gaps after it
    // (some producers space words with Tc alone).
    const double gx = font->vertical() ? 0 : glyph.width * ts.size * ts.scale;
    const double gy = font->vertical() ? -glyph.width * ts.size : 0;
    placed.end_x = placed.x + gx * m.a + gy * m.c;
    placed.end_y = placed.y + gx * m.b + gy * m.d;
    layout_->Glyph(placed);
    MoveText(tx, ty);
    m.e += tx * m.a + ty * m.c;
    m.f += tx * m.b + ty * m.d;
  }
}

void ContentRunner::SkipInlineImage(Lexer& lexer, std::string_view content) {
  // The image dictionary up to ID, then the data up to an EI that stands alone and is followed
  // by content (text bytes), since the data may hold "EI" itself.
  Object token;
  int64_t length = -1;
  std::string key;
  for (int k = 0; k < 1024 && lexer.Next(&token, 8, false); ++k) {
    if (token.type == Type::kOperator) {
      if (token.text == "ID") break;
      continue;
    }
    if (token.type == Type::kName && key.empty()) {
      key = token.text;
      continue;
    }
    if ((key == "L" || key == "Length") && token.type == Type::kInt) length = token.integer;
    key.clear();
  }
  size_t pos = lexer.pos() + 1;
  if (length >= 0 && static_cast<uint64_t>(length) < content.size() - std::min(pos, content.size())) {
    pos += static_cast<size_t>(length);
  }
  for (size_t at = content.find("EI", pos); at != std::string_view::npos;
       at = content.find("EI", at + 2)) {
    if (at > 0 && !IsPdfSpace(content[at - 1])) continue;
    if (at + 2 < content.size() && !IsPdfSpace(content[at + 2])) continue;
    bool text = true;
    for (size_t k = at + 2; k < content.size() && k < at + 34 && text; ++k) {
      text = IsTextByte(content[k]);
    }
    if (!text) continue;
    lexer.Seek(at + 2);
    return;
  }
  lexer.Seek(content.size());
}

void ContentRunner::RunForm(const Object& resources, const Object& name, const GraphicsState& gs,
                            int depth) {
  if (name.type != Type::kName || depth + 1 > document_.budget()->limits.max_form_depth ||
      Stopped()) {
    return;
  }
  const Object xobjects = document_.Get(resources.AsDict(), "XObject");
  const Dict* list = xobjects.AsDict();
  const Object* entry = list != nullptr ? list->Find(name.text) : nullptr;
  if (entry == nullptr) return;
  const Object form = document_.Resolve(*entry);
  if (form.type != Type::kStream || !document_.Get(form.dict.get(), "Subtype").IsName("Form")) return;
  const bool is_ref = entry->type == Type::kRef;
  const uint32_t number = static_cast<uint32_t>(entry->integer);
  if (is_ref && !open_forms_.insert(number).second) return;  // a form inside itself
  if (!document_.budget()->TakeOperator(kFormCost)) return;
  std::shared_ptr<const std::string> data;
  if (const auto it = is_ref ? forms_.find(number) : forms_.end(); it != forms_.end()) {
    data = it->second;
  } else {
    auto decoded = std::make_shared<std::string>();
    document_.StreamData(form, decoded.get());
    data = decoded;
    if (is_ref) {
      if (form_bytes_ + data->size() > document_.budget()->limits.max_cache_bytes) {
        forms_.clear();
        form_bytes_ = 0;
      }
      form_bytes_ += data->size();
      forms_[number] = data;
    }
  }
  GraphicsState inner = gs;
  const Object matrix = document_.Get(form.dict.get(), "Matrix");
  if (const Array* m = matrix.AsArray(); m != nullptr && m->size() >= 6) {
    double v[6];
    for (int k = 0; k < 6; ++k) v[k] = document_.Resolve((*m)[k]).Number();
    inner.ctm = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]}.Then(gs.ctm);
  }
  Object form_resources = document_.Get(form.dict.get(), "Resources");
  if (form_resources.AsDict() == nullptr) form_resources = resources;
  const Matrix text = text_matrix_, line = line_matrix_;
  Run(*data, form_resources, inner, depth + 1);
  text_matrix_ = text;
  line_matrix_ = line;
  if (is_ref) open_forms_.erase(number);
}

void ContentRunner::Run(std::string_view content, const Object& resources,
                        const GraphicsState& start, int depth) {
  Budget* budget = document_.budget();
  Lexer lexer(content);
  std::vector<Object> operands;
  std::vector<GraphicsState> saved;
  size_t unsaved = 0;  // q beyond kMaxSavedStates
  GraphicsState gs = start;
  Object token;
  auto number = [&](size_t from_end) {
    return operands.size() >= from_end ? operands[operands.size() - from_end].Number() : 0.0;
  };
  while (!OutOfOperators() && lexer.Next(&token, budget->limits.max_depth, false)) {
    if (token.type != Type::kOperator) {
      if (operands.size() >= kMaxOperands) operands.erase(operands.begin());
      operands.push_back(std::move(token));
      continue;
    }
    if (!budget->TakeOperator()) break;
    const std::string& op = token.text;
    const size_t n = operands.size();
    switch (OperatorKey(op)) {
      case Key("Tj"):
      case Key("'"):
      case Key("\""):
        if (op != "Tj") {
          if (op == "\"") {
            gs.text.word_space = number(3);
            gs.text.char_space = number(2);
          }
          line_matrix_ = Matrix{1, 0, 0, 1, 0, -gs.text.leading}.Then(line_matrix_);
          text_matrix_ = line_matrix_;
        }
        if (n >= 1 && operands.back().type == Type::kString) ShowString(operands.back().text, gs);
        break;
      case Key("TJ"): {
        const Array* items = n >= 1 ? operands.back().AsArray() : nullptr;
        for (size_t k = 0; items != nullptr && k < items->size(); ++k) {
          const Object& item = (*items)[k];
          if (item.type == Type::kString) {
            ShowString(item.text, gs);
          } else if (item.IsNumber()) {
            const double offset = item.Number();
            if (gs.text.font != nullptr && gs.text.font->vertical()) {
              MoveText(0, -offset / 1000 * gs.text.size);
            } else {
              MoveText(-offset / 1000 * gs.text.size * gs.text.scale, 0);
              if (-offset > kTjWordBreak) layout_->BreakWord();
            }
          }
        }
        break;
      }
      case Key("TD"):
        gs.text.leading = -number(1);
        [[fallthrough]];
      case Key("Td"):
        line_matrix_ = Matrix{1, 0, 0, 1, number(2), number(1)}.Then(line_matrix_);
        text_matrix_ = line_matrix_;
        break;
      case Key("T*"):
        line_matrix_ = Matrix{1, 0, 0, 1, 0, -gs.text.leading}.Then(line_matrix_);
        text_matrix_ = line_matrix_;
        break;
      case Key("Tm"):
        line_matrix_ = Matrix{number(6), number(5), number(4), number(3), number(2), number(1)};
        text_matrix_ = line_matrix_;
        break;
      case Key("BT"):
        text_matrix_ = line_matrix_ = Matrix();
        break;
      case Key("Tf"):
        gs.text.size = number(1);
        if (n >= 2) gs.text.font = LoadFont(resources, operands[n - 2]);
        break;
      case Key("Tc"):
        gs.text.char_space = number(1);
        break;
      case Key("Tw"):
        gs.text.word_space = number(1);
        break;
      case Key("Tz"):
        gs.text.scale = number(1) / 100;
        break;
      case Key("TL"):
        gs.text.leading = number(1);
        break;
      case Key("Ts"):
        gs.text.rise = number(1);
        break;
      case Key("q"):
        if (saved.size() < kMaxSavedStates) {
          saved.push_back(gs);
        } else {
          ++unsaved;
        }
        break;
      case Key("Q"):
        if (unsaved > 0) {
          --unsaved;
        } else if (!saved.empty()) {
          gs = std::move(saved.back());
          saved.pop_back();
        }
        break;
      case Key("cm"):
        gs.ctm = Matrix{number(6), number(5), number(4), number(3), number(2), number(1)}.Then(gs.ctm);
        break;
      case Key("Do"):
        if (n >= 1) RunForm(resources, operands.back(), gs, depth);
        break;
      case Key("BI"):
        SkipInlineImage(lexer, content);
        break;
      default:
        break;  // drawing, colour and marked content: nothing for the text
    }
    operands.clear();
  }
}

}  // namespace oru::pdf
