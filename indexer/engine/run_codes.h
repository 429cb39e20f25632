// What a pass of Tamsel shows to other programs: the result codes of a run, the message it
// posts to the search application's window, and the most files one index numbers.
#ifndef ORU_INDEXER_ENGINE_RUN_CODES_H_
#define ORU_INDEXER_ENGINE_RUN_CODES_H_

#include <cstdint>
#include <cstdlib>

namespace oru {

// Result codes of a run (Tamsel's exit status).
inline constexpr uint8_t kRunOk = 0;
inline constexpr uint8_t kRunFailed = 2;
inline constexpr uint8_t kRunConfigFailed = 11;
inline constexpr uint8_t kRunNoJobFile = 12;
inline constexpr uint8_t kRunBadJob = 13;
// A parser ran past the time limit on one file: the file is recorded as skipped and the run
// ends at once, the last complete index kept (the next run passes the file over).
inline constexpr uint8_t kRunParseTimedOut = 14;

// The highest file number a pass gives out (0xFFFF means "no file").
inline constexpr uint16_t kMaxFileNumber = 65534;

// The highest file number Tamsel's pass gives out and `oru index` plans for: kMaxFileNumber,
// or a lower number from ORU_TEST_FILE_LIMIT, with which tests keep a tree just over the limit
// small.
inline uint16_t PassFileLimit() {
  if (const char* limit = std::getenv("ORU_TEST_FILE_LIMIT")) {
    const long value = std::strtol(limit, nullptr, 10);
    if (value > 0 && value < kMaxFileNumber) return static_cast<uint16_t>(value);
  }
  return kMaxFileNumber;
}

// The window message the search application receives after a run, and its window.
inline constexpr int64_t kIndexDoneMessage = 20924;
inline constexpr char kSearchWindowClass[] = "TfMainQuery";
inline constexpr char kSearchWindowTitle[] = "Trovella 1.2";

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_RUN_CODES_H_
