// Runs content streams for their text: the page tree in page order with inherited resources,
// each page's content (one stream or an array, joined), Form XObjects through `Do` (nesting
// bounded, cycles cut), the text operators and the graphics state they need (q Q cm). Each
// shown glyph goes to a Layout with its position. Inline images are skipped. Every operator
// counts against the Budget.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_CONTENT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_CONTENT_H_

#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "plugins/parser-pdf/pdf_document.h"
#include "plugins/parser-pdf/pdf_font.h"
#include "plugins/parser-pdf/pdf_layout.h"

namespace oru::pdf {

// An affine matrix [a b c d e f]; a point (x, y) maps to (a x + c y + e, b x + d y + f).
struct Matrix {
  double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
  // This matrix followed by `then`.
  Matrix Then(const Matrix& then) const;
};

class ContentRunner {
 public:
  // `document` and `layout` must outlive the runner.
  ContentRunner(Document& document, Layout* layout) : document_(document), layout_(layout) {}

  // Runs every page of the document in order; stops early when the budget or the layout is
  // full.
  void RunPages();
  // Runs one content stream's bytes with `resources` (may be null), for tests.
  void RunContent(std::string_view content, const Dict* resources);

 private:
  struct TextState {
    std::shared_ptr<const Font> font;
    double size = 0, char_space = 0, word_space = 0, scale = 1, leading = 0, rise = 0;
  };
  struct GraphicsState {
    Matrix ctm;
    TextState text;
  };

  void RunPage(const Dict& page, const Object& resources);
  void Run(std::string_view content, const Object& resources, const GraphicsState& start,
           int depth);
  std::shared_ptr<const Font> LoadFont(const Object& resources, const Object& name);
  std::shared_ptr<const Font> FindFont(const Object& resources, const Object& name);
  void ShowString(const std::string& bytes, const GraphicsState& gs);
  // Moves the text matrix by (tx, ty) in text space.
  void MoveText(double tx, double ty);
  void SkipInlineImage(class Lexer& lexer, std::string_view content);
  void RunForm(const Object& resources, const Object& name, const GraphicsState& gs, int depth);
  // No further page or form is read once a limit was met; content already decoded still runs
  // until the operators run out.
  bool Stopped() const { return document_.budget()->cut || layout_->full(); }
  bool OutOfOperators() const {
    const Budget* b = document_.budget();
    return b->operators >= b->limits.max_operators || layout_->full();
  }

  Document& document_;
  Layout* layout_;
  Matrix text_matrix_, line_matrix_;
  std::unordered_map<const Dict*, std::pair<std::shared_ptr<Dict>, std::shared_ptr<const Font>>>
      fonts_;
  size_t font_bytes_ = 0;
  CMapCache cmaps_;
  std::unordered_set<uint32_t> open_forms_;
  std::vector<FontGlyph> glyphs_;
  std::string content_, part_;
  std::shared_ptr<const Font> fallback_font_;
  // The last font selected, by its resources and name: Tf repeated costs one comparison. The
  // resources are held, so that their address names them alone.
  std::shared_ptr<Dict> last_font_resources_;
  std::string last_font_name_;
  std::shared_ptr<const Font> last_font_;
  // Decoded forms by object number, so that a form drawn many times is decoded once.
  std::unordered_map<uint32_t, std::shared_ptr<const std::string>> forms_;
  size_t form_bytes_ = 0;
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_CONTENT_H_
