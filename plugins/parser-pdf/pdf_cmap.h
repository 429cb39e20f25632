// A CMap program: the codespace ranges (how many bytes each code takes, one to four), codes to
// Unicode text (bfchar, bfrange with a start string or an array of strings, multi-character
// targets such as ligatures), and codes to CIDs (cidchar, cidrange). Ranges stay ranges, so a
// huge range costs nothing; the entries kept are bounded.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_CMAP_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_CMAP_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace oru::pdf {

class CMap {
 public:
  // Parses a CMap program; anything it does not understand is skipped. Never fails: a damaged
  // program gives the mappings read before the damage.
  static CMap Parse(std::string_view program);

  bool has_codespace() const { return !codespace_.empty(); }
  bool has_unicode() const { return !unicode_.empty() || !unicode_ranges_.empty(); }
  bool has_cids() const { return !cids_.empty() || !cid_ranges_.empty(); }

  // The length in bytes (1-4) of the code at the start of `bytes` (not empty) by the codespace
  // ranges; `fallback` (capped to the bytes there) when no range matches or there are none.
  int CodeLength(std::string_view bytes, int fallback) const;
  // Appends the Unicode text of `code` to `out`; false when the CMap does not map it.
  bool ToUnicode(uint32_t code, std::u16string* out) const;
  // The CID of `code`; false when it is not mapped.
  bool ToCid(uint32_t code, uint32_t* cid) const;
  // An estimate of the memory the mappings take, in bytes.
  size_t memory() const {
    return 64 * (unicode_.size() + unicode_ranges_.size() + codespace_.size()) +
           32 * (cids_.size() + cid_ranges_.size());
  }

 private:
  struct Space { uint32_t low, high; int length; };
  struct UnicodeRange { uint32_t low, high; std::u16string start; };
  struct CidRange { uint32_t low, high, cid; };

  std::vector<Space> codespace_;
  std::unordered_map<uint32_t, std::u16string> unicode_;
  std::vector<UnicodeRange> unicode_ranges_;  // sorted by `low` after parsing
  std::unordered_map<uint32_t, uint32_t> cids_;
  std::vector<CidRange> cid_ranges_;          // sorted by `low` after parsing
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_CMAP_H_
