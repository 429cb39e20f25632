// Stream filters: FlateDecode (with PNG and TIFF predictors), LZWDecode (with /EarlyChange),
// ASCII85Decode, ASCIIHexDecode and RunLengthDecode, applied in chains. Image filters (DCT,
// JPX, JBIG2, CCITTFax) are not decoded: a stream using one gives no data.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_FILTERS_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_FILTERS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace oru::pdf {

// One filter of a chain with the parameters it uses (the defaults when absent).
struct FilterStep {
  std::string name;  // "FlateDecode", or an abbreviation ("Fl")
  int predictor = 1;
  int colors = 1;
  int bits_per_component = 8;
  int columns = 1;
  int early_change = 1;
};

enum class DecodeStatus {
  kOk,           // every filter decoded its whole input
  kDamaged,      // a filter met bad or missing data: `out` holds what came before it
  kLimit,        // the byte allowance ran out: `out` holds what fitted
  kUnsupported,  // an image filter or an unknown one: `out` is empty
};

// Decodes `raw` through `steps` in order into `out`. Every byte a step produces counts against
// `*allowance` (decreased by what was produced), so a chain never makes more than it allows.
DecodeStatus DecodeStream(std::string_view raw, const std::vector<FilterStep>& steps,
                          size_t* allowance, std::string* out);

// The single filters, for tests and for the chain. Each appends to `out` at most `limit` bytes
// and returns kLimit when there was more.
DecodeStatus FlateDecode(std::string_view in, size_t limit, std::string* out);
DecodeStatus LzwDecode(std::string_view in, int early_change, size_t limit, std::string* out);
DecodeStatus Ascii85Decode(std::string_view in, size_t limit, std::string* out);
DecodeStatus AsciiHexDecode(std::string_view in, size_t limit, std::string* out);
DecodeStatus RunLengthDecode(std::string_view in, size_t limit, std::string* out);
// Undoes a PNG (10-15) or TIFF (2) predictor in place; false when the parameters cannot apply
// (the data is then left as it was).
bool UndoPredictor(const FilterStep& step, std::string* data);

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_FILTERS_H_
