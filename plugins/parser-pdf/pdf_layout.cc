#include "plugins/parser-pdf/pdf_layout.h"

#include <algorithm>
#include <cmath>

namespace oru::pdf {
namespace {

bool IsSeparator(char16_t c) { return c == u' ' || c == u'\n'; }
bool IsLower(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= 0xDF && c <= 0xFF && c != 0xF7); }
bool IsLetter(char16_t c) {
  return IsLower(c) || (c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7);
}

}  // namespace

void Layout::Separator(char16_t c) {
  if (out_->empty()) return;
  char16_t& last = out_->back();
  // A hyphen ending a line after a letter may join the word to the next line's start.
  if (c == u'\n' && (last == u'-' || last == 0xAD || last == 0x2010) && out_->size() >= 2 && IsLetter((*out_)[out_->size() - 2])) {
    hyphen_at_ = out_->size() - 1;
  } else if (c == u' ') {
    hyphen_at_ = kNoHyphen;
  }
  if (IsSeparator(last)) {
    if (c == u'\n') last = u'\n';
    return;
  }
  if (out_->size() >= max_chars_) {
    full_ = true;
    return;
  }
  out_->push_back(c);
}

void Layout::Append(std::u16string_view text) {
  for (char16_t c : text) {
    // Latin ligatures are written as their letters, so that words match as typed.
    if (c >= 0xFB00 && c <= 0xFB06) {
      static constexpr std::u16string_view kLetters[] = {u"ff", u"fi", u"fl", u"ffi",
                                                         u"ffl", u"st", u"st"};
      Append(kLetters[c - 0xFB00]);
      continue;
    }
    // Controls, NUL and the replacement character are separators, never letters.
    if (c < 0x20 || c == 0x7F || c == 0xFFFD || c == 0xA0 || c == 0x3000) {
      Separator(c == u'\n' || c == u'\r' ? u'\n' : u' ');
      continue;
    }
    if (c == u' ') {
      Separator(u' ');
      continue;
    }
    if (hyphen_at_ != kNoHyphen) {
      // A word broken over two lines ("exam-" and "ple") is written whole when the next line
      // goes on in lower case.
      if (hyphen_at_ + 2 == out_->size() && IsLower(c)) out_->resize(hyphen_at_);
      hyphen_at_ = kNoHyphen;
    }
    if (out_->size() >= max_chars_) {
      full_ = true;
      return;
    }
    out_->push_back(c);
  }
}

void Layout::EndBlock() {
  Separator(u'\n');
  has_previous_ = false;
  pending_space_ = false;
}

void Layout::Glyph(const PlacedGlyph& glyph) {
  if (full_) return;
  const double size = std::max({std::fabs(glyph.size), std::fabs(prev_size_), 1e-6});
  if (has_previous_) {
    // The writing direction of the previous glyph (its advance), else the x axis.
    double ux = prev_end_x_ - prev_x_, uy = prev_end_y_ - prev_y_;
    const double length = std::sqrt(ux * ux + uy * uy);
    if (length > 1e-9) {
      ux /= length;
      uy /= length;
    } else {
      ux = 1;
      uy = 0;
    }
    // Drawn again over itself: the same text at (nearly) the same start.
    if (!glyph.text.empty() && glyph.text == previous_text_ &&
        std::fabs(glyph.x - prev_x_) + std::fabs(glyph.y - prev_y_) < 0.1 * size) {
      return;
    }
    const double dx = glyph.x - prev_end_x_, dy = glyph.y - prev_end_y_;
    const double along = dx * ux + dy * uy;
    const double across = -dx * uy + dy * ux;
    const double gap = glyph.widths_known ? kWordGap : kEstimatedWordGap;
    if (!std::isfinite(along) || !std::isfinite(across) || std::fabs(across) > kLineShift * size) {
      Separator(u'\n');
    } else if (pending_space_ || along > gap * size || along < -size * 1.5) {
      // A wide gap, or a jump back over more than a glyph's width on the same line.
      Separator(u' ');
    }
  }
  pending_space_ = false;
  if (glyph.text.empty()) {
    Separator(u' ');
  } else {
    Append(glyph.text);
  }
  has_previous_ = true;
  previous_text_.assign(glyph.text);
  prev_x_ = glyph.x;
  prev_y_ = glyph.y;
  prev_end_x_ = glyph.end_x;
  prev_end_y_ = glyph.end_y;
  prev_size_ = glyph.size;
}

}  // namespace oru::pdf
