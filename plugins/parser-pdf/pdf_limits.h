// The bounds that every document is read within: named here once, with defaults that a real
// document never meets. A document that meets one is cut there: the words before the cut stay.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_LIMITS_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace oru::pdf {

struct Limits {
  // Bytes produced by stream filters over the whole document (a deflate bomb stops here): at
  // most this, and at most a floor plus a multiple of the file's size, so that the work a
  // small file can ask for stays small.
  size_t max_decoded_bytes = size_t{256} << 20;
  size_t decoded_floor = size_t{32} << 20;
  size_t decoded_per_file_byte = 64;
  // Bytes one decoded stream may hold at once (memory, not work).
  size_t max_stream_bytes = size_t{24} << 20;
  // Entries of the cross-reference data kept (objects past them read as null).
  size_t max_xref_entries = 1000000;
  // Bytes the object parser may read over the whole document (damaged files can make each
  // parse read far): a floor plus a multiple of the file's size.
  uint64_t parse_floor = uint64_t{64} << 20;
  uint64_t parse_per_file_byte = 8;
  // Indirect objects parsed from the file or from object streams (cache hits are free).
  uint64_t max_objects_resolved = 1000000;
  // Content stream operators run, over all pages and forms.
  uint64_t max_operators = 50000000;
  // Nesting of arrays and dictionaries, and of forms, page tree levels and reference chains.
  int max_depth = 512;
  // Form XObjects open inside each other while content runs.
  int max_form_depth = 32;
  // Characters of text produced (16-bit units).
  size_t max_text_chars = size_t{16} << 20;
  // Memory of the caches (parsed objects, decoded object streams, fonts), each emptied and
  // refilled on demand when it grows past this (an estimate: about 4 bytes per byte parsed).
  size_t max_cache_bytes = size_t{24} << 20;
};

// What a document has used of its limits so far. `cut` is set once any limit was met.
struct Budget {
  explicit Budget(const Limits& l) : limits(l) {}

  // Takes `n` decoded bytes from the budget; false (and `cut`) when it would go over.
  bool TakeDecoded(size_t n) {
    if (n > limits.max_decoded_bytes - decoded) {
      decoded = limits.max_decoded_bytes;
      cut = true;
      return false;
    }
    decoded += n;
    return true;
  }
  // Counts one object parse; false (and `cut`) once the limit is reached.
  bool TakeObject() {
    if (resolved >= limits.max_objects_resolved) return (cut = true, false);
    ++resolved;
    return true;
  }
  // Counts `n` operators (an expensive one counts as several); false (and `cut`) once the
  // limit is reached.
  bool TakeOperator(uint64_t n = 1) {
    if (operators >= limits.max_operators) return (cut = true, false);
    operators += n;
    return true;
  }

  Limits limits;
  size_t decoded = 0;
  uint64_t resolved = 0;
  uint64_t operators = 0;
  bool cut = false;
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_LIMITS_H_
