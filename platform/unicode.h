// Unicode's answers about 16-bit characters that the index's UTF-8 words are made with: simple
// case folding, and the scripts written without spaces between words. The same tables on every
// platform (made from ICU's data by scripts/make-unicode-tables.cc), so that every platform
// makes the same words of the same text.
#ifndef ORU_PLATFORM_UNICODE_H_
#define ORU_PLATFORM_UNICODE_H_

namespace oru::platform {

// The character's simple case folding (CaseFolding.txt, statuses C and S): a capital gives its
// small letter, U+03C2 final sigma gives sigma; a character without one gives itself. Never the
// locale's rules: U+0130 (capital I with dot) stays as it is.
char16_t FoldCase(char16_t c);

// True for a letter of Han, Hiragana, Katakana or Hangul: scripts whose text is not divided
// into words by spaces.
bool IsPairedScript(char16_t c);

}  // namespace oru::platform

#endif  // ORU_PLATFORM_UNICODE_H_
