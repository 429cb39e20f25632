#include "plugins/parser-common/zip_outcome.h"

#include <ostream>

namespace oru::containers {

const char* ZipOutcomeName(ZipOutcome outcome) {
  switch (outcome) {
    case ZipOutcome::kOk:
      return "ok";
    case ZipOutcome::kNotFound:
      return "not found";
    case ZipOutcome::kDuplicateName:
      return "duplicate name";
    case ZipOutcome::kEncrypted:
      return "encrypted";
    case ZipOutcome::kUnknownMethod:
      return "unknown method";
    case ZipOutcome::kBadEntry:
      return "bad central entry";
    case ZipOutcome::kOutOfBounds:
      return "out of bounds";
    case ZipOutcome::kOverlap:
      return "overlap";
    case ZipOutcome::kBadLocalHeader:
      return "bad local header";
    case ZipOutcome::kCut:
      return "cut";
    case ZipOutcome::kDamaged:
      return "damaged";
    case ZipOutcome::kReadFailed:
      return "read failed";
  }
  return "?";
}

void PrintTo(ZipOutcome outcome, std::ostream* out) { *out << ZipOutcomeName(outcome); }

}  // namespace oru::containers
