// The code pages of a Rich Text document: which one a font's \fcharset or the header's
// character set word stands for, and how the double-byte ones pair their bytes.
#ifndef ORU_PLUGINS_PARSER_RTF_RTF_CODE_PAGES_H_
#define ORU_PLUGINS_PARSER_RTF_RTF_CODE_PAGES_H_

#include <cstdint>

namespace oru::rtf {

// A font whose bytes are symbols, not letters (\fcharset2): its \'hh give no text.
inline constexpr int kSymbolCodePage = -1;
// The document's own code page (\ansicpg, \mac, \pc, \pca; Windows-1252 by default).
inline constexpr int kDocumentCodePage = 0;

// The code page of \fcharsetN: a Windows or Mac code page number, kSymbolCodePage for the
// symbol set, kDocumentCodePage for the default set (1) and every number it does not know.
int CharsetCodePage(int charset);

// True for the double-byte code pages (Japanese, Chinese, Korean), whose characters are a lead
// byte and a trail byte.
bool IsDoubleByteCodePage(int code_page);

// True when `byte` begins a two-byte character in the double-byte `code_page`.
bool IsLeadByte(int code_page, uint8_t byte);

}  // namespace oru::rtf

#endif  // ORU_PLUGINS_PARSER_RTF_RTF_CODE_PAGES_H_
