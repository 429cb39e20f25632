// One ZIP entry read in chunks: stored bytes are copied, deflated ones inflated on demand into
// the caller's buffer, so that a part never needs to be held whole. ZipArchive::OpenEntry
// makes one.
#ifndef ORU_PLUGINS_PARSER_COMMON_ZIP_ENTRY_STREAM_H_
#define ORU_PLUGINS_PARSER_COMMON_ZIP_ENTRY_STREAM_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/container_limits.h"
#include "plugins/parser-common/input_stream.h"
#include "plugins/parser-common/zip_outcome.h"

namespace oru::containers {

// Where an entry's data lies and what it should come to; ZipArchive fills it in.
struct ZipEntryData {
  uint64_t offset = 0;             // of the first data byte in the source
  uint64_t compressed_size = 0;    // bytes of data in the source
  uint64_t uncompressed_size = 0;  // bytes it should give
  uint32_t crc32 = 0;              // of the bytes it should give
  bool check_crc = true;           // an entry whose bytes miss crc32 ends kDamaged
  bool deflated = false;           // else stored
  uint64_t max_bytes = 0;          // the most this entry may give (the entry and ratio caps)
};

class ZipEntryStream final : public InputStream {
 public:
  // A stream that has ended, with outcome kNotFound, until OpenEntry gives it an entry.
  ZipEntryStream();
  // A stream that has ended with the refusal `outcome`.
  explicit ZipEntryStream(ZipOutcome outcome);
  // Reads `data` out of `source` and counts what it gives against `budget`, which is spent
  // when the stream starts giving bytes: the stream then gives none. The caller keeps both
  // alive while the stream is read.
  ZipEntryStream(ByteSource* source, const ZipEntryData& data, WorkBudget* budget);
  ~ZipEntryStream() override;
  ZipEntryStream(ZipEntryStream&& other) noexcept;
  ZipEntryStream& operator=(ZipEntryStream&& other) noexcept;
  ZipEntryStream(const ZipEntryStream&) = delete;
  ZipEntryStream& operator=(const ZipEntryStream&) = delete;

  // Gives up to `n` (> 0) further bytes of the entry in `out` and returns how many; 0 once the
  // entry has ended, whole or short (outcome() then tells which).
  size_t Read(void* out, size_t n) override;
  // True once Read has returned 0.
  bool ended() const;
  // kOk until the entry ends, and after a whole entry; otherwise kCut, kDamaged or
  // kReadFailed (or the refusal that OpenEntry gave).
  ZipOutcome outcome() const;
  // Bytes given so far.
  uint64_t given() const;
  // The archive's work budget, which XML read from this stream is charged to.
  WorkBudget* work_budget() override;

 private:
  struct State;
  std::unique_ptr<State> state_;
  ZipOutcome outcome_ = ZipOutcome::kNotFound;  // of a stream without state
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_ZIP_ENTRY_STREAM_H_
