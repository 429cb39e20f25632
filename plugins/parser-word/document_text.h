// The text of a Word document as 16-bit characters, before the filter: every story (main text,
// footnotes, headers, comments, endnotes, text boxes) in character-position order.
#ifndef ORU_PLUGINS_PARSER_WORD_DOCUMENT_TEXT_H_
#define ORU_PLUGINS_PARSER_WORD_DOCUMENT_TEXT_H_

#include <optional>
#include <string>

#include "platform/files.h"

namespace oru::dovrin {

// Reads the text of the document in `file` (open for reading).
// - Word 97 to 2003 (identifier 0xA5EC in the compound file's "WordDocument" stream): through
//   the piece table, found by the block's fcClx and lcbClx (offsets 0x1A2 and 0x1A6) in the
//   "1Table" or "0Table" stream as flag 0x0200 (offset 10) says.
// - Word 6 and Word 95 (identifier 0xA5DC): 8-bit text through the piece table in the
//   "WordDocument" stream itself (fcClx and lcbClx at 0x160 and 0x164) when flag 0x0004 says
//   the document was fast-saved, else the stream's bytes fcMin (offset 24) to fcMac (28).
// A document without a readable, consistent piece table is read as the text region of
// text_region.h with its width guessed from a sample, as documents always were before the
// piece table was read. Nothing when the document is encrypted (flag 0x0100; an obfuscated
// one has it too), when it is an encrypted Office Open XML package (a compound file with an
// "EncryptedPackage" or "EncryptionInfo" stream), or its text cannot be read at all. May throw std::bad_alloc.
std::optional<std::u16string> ReadDocumentText(platform::File* file);

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_DOCUMENT_TEXT_H_
