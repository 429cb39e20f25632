// Words from glyph positions. A PDF places glyphs and has no spaces as such: this class gets
// each glyph's text, start and end point and size in user space, in drawing order, and writes
// the text with a space where the gap from the previous glyph's end along the writing direction
// is wide, and a line break where the baseline moves. A glyph drawn again at nearly the same
// place right after itself (a bold effect) is kept once. A word hyphenated at a line end is
// joined again when the next line goes on in lower case.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_LAYOUT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_LAYOUT_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace oru::pdf {

struct PlacedGlyph {
  std::u16string_view text;  // empty: a code that could not be mapped (a separator)
  double x = 0, y = 0;          // start point (user space)
  double end_x = 0, end_y = 0;  // end point after the advance
  double size = 0;              // font size in user space
  bool widths_known = true;     // false: the advance was estimated
};

class Layout {
 public:
  // Gaps wider than this share of the font size are word breaks (widths known / estimated).
  static constexpr double kWordGap = 0.16;
  static constexpr double kEstimatedWordGap = 0.6;
  // Baseline moves larger than this share of the font size are line breaks.
  static constexpr double kLineShift = 0.5;

  // Writes into `out` (kept by the caller) at most `max_chars` characters.
  Layout(std::u16string* out, size_t max_chars) : out_(out), max_chars_(max_chars) {}

  void Glyph(const PlacedGlyph& glyph);
  // A word break before the next glyph (a wide TJ offset).
  void BreakWord() { pending_space_ = true; }
  // A hard line break, and the next glyph starts afresh (end of a page, of a metadata field).
  void EndBlock();
  bool full() const { return full_; }

 private:
  void Separator(char16_t c);
  void Append(std::u16string_view text);

  static constexpr size_t kNoHyphen = static_cast<size_t>(-1);

  std::u16string* out_;
  size_t hyphen_at_ = kNoHyphen;  // a line-ending hyphen that the next letter may remove
  size_t max_chars_;
  bool full_ = false;
  bool has_previous_ = false;
  bool pending_space_ = false;
  std::u16string previous_text_;
  double prev_x_ = 0, prev_y_ = 0, prev_end_x_ = 0, prev_end_y_ = 0, prev_size_ = 0;
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_LAYOUT_H_
