// A PDF file's objects: the cross-reference data read from the end of the file (classic tables
// and cross-reference streams, incremental updates through /Prev, object streams), or rebuilt by
// scanning for `N G obj` when it is missing or wrong; indirect objects parsed when first asked
// for and cached; stream data decrypted and decoded. Every step stays within the Budget.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_DOCUMENT_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_DOCUMENT_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "plugins/parser-pdf/pdf_filters.h"
#include "plugins/parser-pdf/pdf_limits.h"
#include "plugins/parser-pdf/pdf_object.h"

namespace oru::pdf {

// Decrypts the strings and streams of one indirect object (the standard security handler).
class Decryptor {
 public:
  virtual ~Decryptor() = default;
  // Replaces `text` by its decrypted bytes.
  virtual void DecryptString(uint32_t number, int generation, std::string* text) const = 0;
  // The decrypted bytes of the stream `raw` whose dictionary is `dict`.
  virtual std::string DecryptStream(uint32_t number, int generation, const Dict& dict,
                                    std::string_view raw) const = 0;
};

struct XrefEntry {
  uint8_t type = 0;       // 1: at `offset` in the file; 2: in object stream `offset`
  uint64_t offset = 0;    // file offset, or the object stream's number
  uint32_t index = 0;     // type 2: the index inside the object stream
};

class Document {
 public:
  // `bytes` (the whole file, or its first part) and `budget` must outlive the document.
  Document(std::string_view bytes, Budget* budget);
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Reads the cross-reference data, rebuilding it from the objects when it is unusable. False
  // when the bytes hold no object at all (not a PDF).
  bool Open();

  // The trailer dictionary (merged over incremental updates, newest first); never null.
  const Dict& trailer() const { return *trailer_; }
  Budget* budget() const { return budget_; }
  std::string_view bytes() const { return bytes_; }

  // `value` with references followed to the object they name; null for a missing object, a
  // reference cycle, or when the budget is spent.
  Object Resolve(const Object& value);
  // The resolved value of `key` in `dict` (null when absent or `dict` is null).
  Object Get(const Dict* dict, std::string_view key);
  // The indirect object `number` (any generation).
  Object GetObject(uint32_t number);

  // The decrypted, decoded bytes of the stream `stream` into `out`: kOk, or what could be
  // decoded before damage or the budget's end (kDamaged, kLimit); kUnsupported (empty) for
  // image filters and anything that is not a stream.
  DecodeStatus StreamData(const Object& stream, std::string* out);

  // Sets the handler that decrypts objects read from now on; `encrypt_number` is the object
  // number of the /Encrypt dictionary, which is never decrypted.
  void SetDecryptor(std::unique_ptr<Decryptor> decryptor, uint32_t encrypt_number);

  size_t object_count() const { return xref_.size(); }
  bool rebuilt() const { return rebuilt_; }

 private:
  struct ObjectStream {
    std::string data;
    std::vector<std::pair<uint32_t, size_t>> offsets;  // object number, offset in `data`
  };

  // pdf_xref.cc
  bool ReadXrefChain();
  bool ReadXrefTable(size_t offset, std::shared_ptr<Dict>* trailer);
  bool ReadXrefStream(size_t offset, std::shared_ptr<Dict>* trailer);
  void MergeTrailer(const Dict& dict);
  // Scans the bytes for `N G obj` and trailers; true when any object was found.
  bool Rebuild();

  // Parses "N G obj ... endobj" at `offset` into `out` (with stream data when it is a stream);
  // the object's number and generation go to `number`, `generation`. False when no object
  // header is there.
  bool ParseIndirectAt(size_t offset, Object* out, uint32_t* number, int* generation);
  bool LoadFromXref(uint32_t number, Object* out);
  const ObjectStream* LoadObjectStream(uint32_t number);
  void DecryptStrings(Object* value, uint32_t number, int generation, int depth) const;
  std::vector<FilterStep> FilterSteps(const Dict& dict);
  // The first "endstream" at or after `from` (npos when none), through an index built once.
  size_t FindEndstream(size_t from);
  // Counts `n` bytes read by the object parser; false (and the budget cut) past the allowance,
  // which keeps damaged files that make every parse read to the end from costing n^2.
  bool ChargeParse(size_t n);

  std::string_view bytes_;
  Budget* budget_;
  std::unordered_map<uint32_t, XrefEntry> xref_;
  std::shared_ptr<Dict> trailer_;
  std::unordered_map<uint32_t, Object> cache_;
  std::unordered_set<uint32_t> in_progress_;
  std::unordered_map<uint32_t, std::unique_ptr<ObjectStream>> object_streams_;
  size_t object_stream_bytes_ = 0;
  std::unique_ptr<Decryptor> decryptor_;
  uint32_t encrypt_number_ = 0;
  bool rebuilt_ = false;
  size_t cache_bytes_ = 0;
  size_t last_parse_bytes_ = 0;  // bytes read by the latest object parse (its cache cost)
  std::vector<size_t> endstreams_;
  bool endstreams_indexed_ = false;
  uint64_t parse_allowance_;
};

}  // namespace oru::pdf

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_DOCUMENT_H_
