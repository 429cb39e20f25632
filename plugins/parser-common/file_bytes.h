// A document's bytes for the parsers that read their files whole: at most a cap, so that memory
// follows what is read, never the size of the file.
#ifndef ORU_PLUGINS_PARSER_COMMON_FILE_BYTES_H_
#define ORU_PLUGINS_PARSER_COMMON_FILE_BYTES_H_

#include <cstddef>
#include <string>

namespace oru::parser {

// The most bytes of one text document (plain text, web page, Rich Text) that are read; the
// words before the cut are indexed, the rest of the file is not read.
inline constexpr size_t kMaxTextFileBytes = size_t{64} << 20;

// Reads the first min(file size, cap) bytes of the regular file `path` into `out`. `cut` (may be
// null) says whether the file went on past the cap. False when the path is null or empty, the
// file cannot be opened (missing, not a regular file, denied) or a read fails.
bool ReadFileBytes(const char* path, size_t cap, std::string* out, bool* cut);

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_FILE_BYTES_H_
