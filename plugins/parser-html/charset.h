// The encoding of a web page's bytes, found as a browser finds it when no server tells it.
#ifndef ORU_PLUGINS_PARSER_HTML_CHARSET_H_
#define ORU_PLUGINS_PARSER_HTML_CHARSET_H_

#include <cstddef>
#include <string_view>

namespace oru::ostrin {

// The code page (text_decode.h numbering) to decode a page with, and the length of the
// byte-order mark to leave out before decoding (0 when there is none).
struct PageEncoding {
  int code_page;
  size_t bom_length;
};

// In this order: a byte-order mark (UTF-8, UTF-16LE, UTF-16BE); the first <meta charset="...">
// or <meta http-equiv="Content-Type" content="...; charset=..."> with a known name within the
// first 1,024 bytes, found by the prescan browsers use (comments and other tags' attribute
// values passed over); an <?xml ... encoding="..."?> declaration the page starts with; UTF-8
// when the bytes are well-formed UTF-8 (a sequence cut by the end of `bytes` allowed); else
// Windows-1252. A declared UTF-16 means UTF-8 (the declaration itself was read as ASCII), and
// "x-user-defined" means Windows-1252; names of ISO-8859-1 and US-ASCII are Windows-1252 too.
PageEncoding SniffEncoding(std::string_view bytes);

}  // namespace oru::ostrin

#endif  // ORU_PLUGINS_PARSER_HTML_CHARSET_H_
