// The limits that keep the container readers' memory and work bounded on hostile input: a ZIP
// bomb, an XML file with one endless text run or endless nesting. The defaults lie far beyond
// anything a real document needs; tests and the fuzz targets lower them.
#ifndef ORU_PLUGINS_PARSER_COMMON_CONTAINER_LIMITS_H_
#define ORU_PLUGINS_PARSER_COMMON_CONTAINER_LIMITS_H_

#include <cstddef>
#include <cstdint>

namespace oru::containers {

// The work one document may cost, in units of one byte inflated: every byte given out of its
// ZIP entries (stored or inflated; a second read of an entry counts again), plus a weight for
// each entry opened, each XML element, attribute or reference read from them and each
// character of text kept. An archive's entry streams, the XML readers over them and the text sinks share it; once
// `used` reaches `max`, every entry is cut (what was read before stays).
struct WorkBudget {
  uint64_t used = 0;
  uint64_t max = 0;
  uint64_t element_weight = 0;    // charged by an XML reader per start tag or reference it reads
  uint64_t attribute_weight = 0;  // and per attribute of a start tag
  uint64_t text_weight = 0;       // charged per character kept in a document's text (TextSink)
  bool spent() const { return used >= max; }
};

// The weights, in units of one byte inflated. Measured with office_bench's hostile files (one
// core, best of 3): inflating and scanning text costs about 0.1 to 0.4 ns a byte, an element
// read 30 to 40 ns with its name resolved and its end, an attribute about 15 ns more, an entry
// opened about 2 us, a character kept in the text 2 to 25 ns (the words found in it included:
// the shorter the words, the more a character costs). With these weights a unit costs 0.1 to
// 0.45 ns whatever a file is made of.
inline constexpr uint64_t kElementWeight = 80;
inline constexpr uint64_t kAttributeWeight = 32;
inline constexpr uint64_t kTextWeight = 48;
inline constexpr uint64_t kEntryWeight = 8 << 10;

// The budget of a document of N bytes: max(kBudgetFloor, kBudgetPerFileByte x N), at most
// ZipLimits::max_archive_work. At 0.45 ns a unit at most, 192 units a byte cost at most about
// 0.09 s per MB of file (0.05 to 0.09 s for the hostile kinds of tiny elements, under 0.02 s
// for bombs of text), and the floor about 7 ms, whatever the file holds. Real documents must
// be read whole: the benchmark's 2,000 documents and the fixtures spend under 55 units per byte
// of file, plain text of a word processor about 100, heavily formatted text about 145, sheets
// of numbers or words about 85 to 105 (.ods) and up to 190 (.xlsx of a few words repeated).
// Only sheets of a few values repeated over and over in OpenDocument (250 to 350 units a
// byte) are cut past the floor (about 5 MiB of such XML, sheets up to 50 to 70 KB whole), and
// those repeat the words read before the cut.
inline constexpr uint64_t kBudgetFloor = uint64_t{16} << 20;
inline constexpr uint64_t kBudgetPerFileByte = 192;

struct ZipLimits {
  // Bytes given out of one entry, stored or inflated. Past it the entry is cut.
  uint64_t max_entry_bytes = uint64_t{256} << 20;
  // The work budget of all the entries read from one archive together (see WorkBudget), and
  // what an opened entry, an XML element, an attribute and a kept character weigh in it.
  // 1.5 Gi units: at most about 0.7 s, what a real document of some 8 to 15 MB spends.
  uint64_t max_archive_work = uint64_t{3} << 29;
  uint64_t entry_weight = kEntryWeight;
  uint64_t element_weight = kElementWeight;
  uint64_t attribute_weight = kAttributeWeight;
  uint64_t text_weight = kTextWeight;
  // Past `ratio_free_bytes` given out of a deflated entry, at most `max_ratio` bytes are given
  // per byte stored; an entry that inflates further is cut.
  uint64_t ratio_free_bytes = uint64_t{4} << 20;
  uint64_t max_ratio = 1000;
  // Whether an entry's bytes are checked against its CRC-32: one that misses it ends damaged.
  bool check_checksums = true;
  // Entries in the central directory; an archive with more is not opened.
  uint64_t max_entries = 100000;
  // Bytes of the central directory, which is read whole; a larger one is not opened.
  uint64_t max_directory_bytes = uint64_t{64} << 20;
};

// The ZIP limits a parser plug-in reads an archive of `file_size` bytes with: the work budget
// scaled to the file (kBudgetFloor, kBudgetPerFileByte), so that no file, however it is made,
// costs much more time than its size warrants, while real documents are read whole. Checksums
// are not checked: a plug-in keeps the text of a damaged entry as far as it was read anyway,
// so the check would cost time (a tenth of a dense sheet's) and change nothing.
inline ZipLimits ZipLimitsForFile(uint64_t file_size) {
  ZipLimits limits;
  limits.check_checksums = false;
  const uint64_t cap = limits.max_archive_work;
  const uint64_t scaled =
      file_size > cap / kBudgetPerFileByte ? cap : file_size * kBudgetPerFileByte;
  limits.max_archive_work = scaled < kBudgetFloor ? kBudgetFloor : scaled;
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
