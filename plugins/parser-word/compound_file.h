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
  // To find more than one stream of a file, CompoundFile reads its directory once.
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

// A compound file whose header, allocation table and directory have been read, once, so that
// several of its streams can be found without reading them again.
class CompoundFile {
 public:
  // Reads the header, the allocation table and the directory of `file`, open for reading, which
  // the caller keeps open while the file and its streams are used. Nothing when `file` does not
  // start with the compound-file signature or is malformed on the way to its directory.
  static std::optional<CompoundFile> Open(platform::File* file);

  // As CompoundStream::Find, in this file.
  std::optional<CompoundStream> Find(std::u16string_view name) const;

 private:
  using Table = std::vector<uint32_t>;  // next-sector entries, indexed by sector number
  using Seen = std::vector<bool>;       // per sector: already in use
  static constexpr size_t kHeaderSize = 512;

  explicit CompoundFile(platform::File* file) : file_(file) {}
  bool LoadHeader();
  bool LoadFat();
  bool LoadDirectory();
  uint64_t SectorAt(uint32_t sector) const { return (uint64_t{sector} + 1) * sector_size_; }
  uint64_t EntrySize(const uint8_t* entry) const;
  std::optional<Table> Chain(uint32_t start, std::optional<uint64_t> want) const;
  // Reads the whole of `sectors` into `out`, one after another.
  bool ReadSectors(const Table& sectors, std::vector<uint8_t>* out) const;
  std::optional<uint32_t> FindEntry(std::u16string_view name) const;
  std::optional<CompoundStream> MiniStream(uint32_t start, uint64_t size) const;

  platform::File* file_;
  uint8_t header_[kHeaderSize] = {};
  uint32_t sector_size_ = 0;
  uint32_t sector_count_ = 0;  // sectors after the header, the last one possibly cut short
  Table fat_;                  // entries of sectors 0 .. sector_count_ - 1 at most
  Seen reserved_;              // the sectors of the FAT and of the DIFAT chain
  std::vector<uint8_t> directory_;
};

}  // namespace oru::dovrin

#endif  // ORU_PLUGINS_PARSER_WORD_COMPOUND_FILE_H_
