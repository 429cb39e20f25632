// Reading a ZIP archive, the container of Office Open XML and OpenDocument files: the end
// record (searched backwards over the comment), the central directory (ZIP64 too), and the
// entries, stored or deflated, by name.
//
// The central directory is the authority: an entry's sizes and checksum come from it (so data
// descriptors need no reading), and its local header must agree with it on the signature and
// the name. Whatever the directory or an entry holds, reading gives a defined outcome
// (ZipOutcome), never a read out of bounds, and the limits (ZipLimits) bound what is inflated.
#ifndef ORU_PLUGINS_PARSER_COMMON_ZIP_READER_H_
#define ORU_PLUGINS_PARSER_COMMON_ZIP_READER_H_

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/parser-common/byte_source.h"
#include "plugins/parser-common/container_limits.h"
#include "plugins/parser-common/zip_entry_stream.h"
#include "plugins/parser-common/zip_outcome.h"

namespace oru::containers {

// One entry as the central directory records it (ZIP64 values in place of saturated ones).
struct ZipEntry {
  std::string name;  // the bytes stored, '/' between folders
  uint16_t flags = 0;
  uint16_t method = 0;  // 0 stored, 8 deflated
  uint32_t crc32 = 0;
  uint64_t compressed_size = 0;
  uint64_t uncompressed_size = 0;
  uint64_t local_header_offset = 0;
  // kOk, or the refusal that the directory alone shows: kDuplicateName, kEncrypted,
  // kUnknownMethod, kBadEntry, kOutOfBounds or kOverlap. Reading may still refuse an entry
  // marked kOk (its local header) or end it short.
  ZipOutcome refusal = ZipOutcome::kOk;
};

enum class ZipOpenOutcome {
  kOk,
  kNotZip,      // no end record in the last 64 KiB + 22 bytes
  kMalformed,   // the ZIP64 records or the central directory do not hold together
  kTooLarge,    // more entries or directory bytes than the limits allow
  kReadFailed,  // the source could not be read
};

class ZipArchive {
 public:
  // An archive without entries, until Open fills it.
  ZipArchive();
  ~ZipArchive();
  ZipArchive(ZipArchive&&) noexcept;
  ZipArchive& operator=(ZipArchive&&) noexcept;
  ZipArchive(const ZipArchive&) = delete;
  ZipArchive& operator=(const ZipArchive&) = delete;

  // Reads the end record and the central directory of `source`, which the caller keeps alive
  // while the archive and its entry streams are used. On kOk `out` holds the archive (an
  // earlier one is replaced); otherwise `out` is left as it was.
  static ZipOpenOutcome Open(ByteSource* source, ZipArchive* out, const ZipLimits& limits = {});

  // Every entry, in central directory order.
  const std::vector<ZipEntry>& entries() const { return entries_; }

  // The entry whose name is exactly `name` (bytes compared), or null. When several have that
  // name, one of them, marked kDuplicateName.
  const ZipEntry* Find(std::string_view name) const;
  // The entry that `target` names relative to the part `base` (see ResolvePartName), or null.
  // When no entry has the resolved name and it holds "%XX" escapes, the unescaped name is
  // looked up too.
  const ZipEntry* FindRelative(std::string_view base, std::string_view target) const;

  // Opens `entry` (one of entries()) for reading in chunks: kOk and a stream in `out`, or a
  // refusal, with an ended stream in `out` whose outcome() is that refusal. Streams read
  // through this archive's source and count against its limits: they must not outlive it.
  ZipOutcome OpenEntry(const ZipEntry& entry, ZipEntryStream* out);
  // As OpenEntry, by name (kNotFound when no entry has it).
  ZipOutcome OpenEntry(std::string_view name, ZipEntryStream* out);

  // Reads the whole entry into `out` (replacing its contents). kOk with every byte; kCut,
  // kDamaged or kReadFailed with the bytes given before the end; a refusal with `out` empty.
  ZipOutcome ReadEntry(const ZipEntry& entry, std::string* out);
  ZipOutcome ReadEntry(std::string_view name, std::string* out);

  // The work counted so far against ZipLimits::max_archive_work: the bytes given out of all
  // entries, the weights of the entries opened and of the XML elements read from them.
  uint64_t work_used() const;
  // That budget, which the text kept from the entries is charged to too (see TextSink).
  WorkBudget* work_budget() const { return budget_.get(); }

 private:
  struct Directory;
  ZipOutcome CheckLocalHeader(const ZipEntry& entry, uint64_t* data_offset);

  ByteSource* source_ = nullptr;
  ZipLimits limits_;
  std::vector<ZipEntry> entries_;
  std::vector<uint32_t> by_name_;      // entry indices in name order
  std::vector<uint64_t> room_end_;     // per entry: where the next entry or the directory begins
  std::unique_ptr<WorkBudget> budget_;  // on the heap, where the streams find it after a move
};

const char* ZipOpenOutcomeName(ZipOpenOutcome outcome);
void PrintTo(ZipOpenOutcome outcome, std::ostream* out);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_ZIP_READER_H_
