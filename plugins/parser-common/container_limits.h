// The limits that keep the container readers' memory and work bounded on hostile input: a ZIP
// bomb, an XML file with one endless text run or endless nesting. The defaults lie far beyond
// anything a real document needs; tests and the fuzz targets lower them.
#ifndef ORU_PLUGINS_PARSER_COMMON_CONTAINER_LIMITS_H_
#define ORU_PLUGINS_PARSER_COMMON_CONTAINER_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace oru::containers {

struct ZipLimits {
  // Bytes given out of one entry, stored or inflated. Past it the entry is cut.
  uint64_t max_entry_bytes = uint64_t{256} << 20;
  // Bytes given out of all the entries read from one archive together (every read counts,
  // also a second read of the same entry). Past it every entry is cut.
  uint64_t max_archive_bytes = uint64_t{256} << 20;
  // Past `ratio_free_bytes` given out of a deflated entry, at most `max_ratio` bytes are given
  // per byte stored; an entry that inflates further is cut.
  uint64_t ratio_free_bytes = uint64_t{4} << 20;
  uint64_t max_ratio = 1000;
  // Entries in the central directory; an archive with more is not opened.
  uint64_t max_entries = 100000;
  // Bytes of the central directory, which is read whole; a larger one is not opened.
  uint64_t max_directory_bytes = uint64_t{64} << 20;
};

// The ZIP limits a parser plug-in reads an archive of `file_size` bytes with: all entries
// together give at most 100 bytes per byte of the file (at least 64 MiB, at most the default
// 256 MiB), so that a small file made to inflate hugely costs little time, while real
// documents, whose parts deflate 5 to 30 times, are read whole.
inline ZipLimits ZipLimitsForFile(uint64_t file_size) {
  ZipLimits limits;
  const uint64_t floor = uint64_t{64} << 20;
  const uint64_t scaled = file_size > limits.max_archive_bytes / 100 ? limits.max_archive_bytes
                                                                     : file_size * 100;
  limits.max_archive_bytes = scaled < floor ? floor : scaled;
  return limits;
}

struct XmlLimits {
  // Elements open at once that are tracked: deeper start and end tags are read and balanced
  // but not reported, and the text inside them comes out as text of the deepest tracked one.
  size_t max_depth = 256;
  // Bytes of one element or attribute name (with its prefix); a longer one is malformed.
  size_t max_name_bytes = 1024;
  // Attributes of one start tag (namespace declarations included); more is malformed.
  size_t max_attributes = 1024;
  // Bytes of the decoded attribute values of one start tag together; a value that passes it
  // keeps the bytes that fit and is marked cut.
  size_t max_attribute_bytes = size_t{1} << 20;
  // Bytes of the namespace URIs in scope together; a declaration that passes it is malformed.
  size_t max_namespace_bytes = size_t{1} << 20;
  // Character data comes out in pieces of at most this many bytes (at least 4; a piece ends
  // at a character boundary), so a long text run never needs more memory than one piece.
  size_t text_piece_bytes = size_t{64} << 10;
};

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_CONTAINER_LIMITS_H_
