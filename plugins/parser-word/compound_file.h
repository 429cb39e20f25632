// Reading one stream of a compound file, the container a Word 97 document lives in: the header,
// the allocation table (with its DIFAT chain), the directory and, for streams under 4096 bytes,
// the mini stream and its allocation table. Sectors are 512 or 4096 bytes, mini sectors 64.
// Every allocation is bounded by the file's size and every chain walk by its number of sectors;
// a chain that loops, leaves the file or enters the allocation table's own sectors makes the
// file malformed, and a malformed file gives nothing: never a hang, never a read out of bounds.
#ifndef ORU_PLUGINS_PARSER_WORD_COMPOUND_FILE_H_
#define ORU_PLUGINS_PARSER_WORD_COMPOUND_FILE_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/files.h"

namespace oru::dovrin {

// A located stream: where each of its sectors (or mini sectors) lies in the file.
class CompoundStream {
 public:
  // Finds the stream `name` (ASCII letters compared without regard to case) among the direct
  // children of the root storage of `file`, open for reading. The stream reads through `file`,
  // which the caller keeps open while it reads. Nothing when `file` does not start with the
  // compound-file signature, is malformed on the way to the stream, or has no such stream.
  static std::optional<CompoundStream> Find(platform::File* file, std::u16string_view name);

  // The stream of `size` bytes whose units of `unit` bytes lie at the file offsets `at` of
  // `file`, in stream order; `at` must cover `size`. Find makes them.
  CompoundStream(platform::File* file, uint64_t size, uint32_t unit, std::vector<uint64_t> at)
      : file_(file), size_(size), unit_(unit), unit_offsets_(std::move(at)) {}

  // The stream's size in bytes, as its directory entry gives it; its sectors cover it.
  uint64_t size() const { return size_; }

  // Reads `n` bytes from stream offset `offset` into `out`, one read per run of adjacent
  // sectors. False when the range passes the end of the stream or a read fails.
  bool Read(uint64_t offset, void* out, size_t n) const;

 private:
  platform::File* file_;
  uint64_t size_;
  uint32_t unit_;                       // sector or mini sector size
  std::vector<uint64_t> unit_offsets_;  // file offset of each of the stream's units, in order
};

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_COMPOUND_FILE_H_
