// What reading one ZIP entry came to: read whole, read in part, or refused.
#ifndef ORU_PLUGINS_PARSER_COMMON_ZIP_OUTCOME_H_
#define ORU_PLUGINS_PARSER_COMMON_ZIP_OUTCOME_H_

#include <iosfwd>

namespace oru::containers {

enum class ZipOutcome {
  kOk,  // the whole entry: its size and checksum are the central directory's

  // Refusals: nothing of the entry is given.
  kNotFound,        // no entry has that name
  kDuplicateName,   // more than one entry has that name: none of them is read
  kEncrypted,       // the entry is encrypted (flag bit 0)
  kUnknownMethod,   // neither stored (0) nor deflated (8)
  kBadEntry,        // its central directory record lacks a ZIP64 field it calls for
  kOutOfBounds,     // its local header or data lies (partly) past the end of the file
  kOverlap,         // its data overlaps another entry or the central directory
  kBadLocalHeader,  // no local header signature there, or a name other than the central one

  // Ends short: the bytes before the end were given.
  kCut,         // a limit (ZipLimits) cut the entry
  kDamaged,     // the deflate stream is damaged or ends early, or the size or checksum differ
  kReadFailed,  // the file could not be read (or inflating could not start)
};

// The outcome's name ("ok", "cut", ...), for messages and test output.
const char* ZipOutcomeName(ZipOutcome outcome);
void PrintTo(ZipOutcome outcome, std::ostream* out);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_ZIP_OUTCOME_H_
