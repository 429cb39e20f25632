#include "plugins/parser-common/zip_entry_stream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <mutex>
#include <vector>

namespace oru::containers {
namespace {

constexpr size_t kInputChunk = 64 * 1024;
constexpr size_t kMostPerRead = size_t{1} << 30;  // keeps counts within zlib's uInt

// zlib's inflate state and window with a chunk of input: made once, reset for each entry.
struct Inflater {
  z_stream z{};  // stays at this address: zlib's state points back to it
  bool ready = false;
  std::unique_ptr<uint8_t[]> input{new uint8_t[kInputChunk]};
  ~Inflater() {
    if (ready) inflateEnd(&z);
  }
};

// Inflaters kept from one entry to the next, so that the many small entries of a stream of
// documents do not each allocate and free the state, its window and the input chunk (see
// buffer_cache.h); a few are kept, freed when the plug-in is unloaded.
constexpr size_t kKeptInflaters = 4;
struct KeptInflaters {
  std::mutex mutex;
  std::vector<std::unique_ptr<Inflater>> inflaters;
};
KeptInflaters& TheKept() {
  static KeptInflaters kept;
  return kept;
}

// A ready inflater for a raw deflate stream, or null when zlib cannot start one.
std::unique_ptr<Inflater> TakeInflater() {
  std::unique_ptr<Inflater> inflater;
  {
    KeptInflaters& kept = TheKept();
    const std::lock_guard lock(kept.mutex);
    if (!kept.inflaters.empty()) {
      inflater = std::move(kept.inflaters.back());
      kept.inflaters.pop_back();
    }
  }
  if (inflater) return inflater;
  inflater = std::make_unique<Inflater>();
  if (inflateInit2(&inflater->z, -MAX_WBITS) != Z_OK) return nullptr;
  inflater->ready = true;
  return inflater;
}

void GiveInflater(std::unique_ptr<Inflater> inflater) {
  if (inflateReset(&inflater->z) != Z_OK) return;
  inflater->z.next_in = nullptr;  // the reset leaves the caller's fields: no input is left over
  inflater->z.avail_in = 0;
  KeptInflaters& kept = TheKept();
  const std::lock_guard lock(kept.mutex);
  if (kept.inflaters.size() < kKeptInflaters) kept.inflaters.push_back(std::move(inflater));
}

}  // namespace

struct ZipEntryStream::State {
  ByteSource* source = nullptr;
  ZipEntryData data;
  WorkBudget* budget = nullptr;

  std::unique_ptr<Inflater> inflater;  // of a deflated entry
  uint64_t consumed = 0;  // bytes of data read from the source
  uint64_t given = 0;     // bytes handed to the caller
  uLong crc = crc32(0, Z_NULL, 0);
  bool stream_end = false;  // the deflate stream (or the stored data) is complete
  // An end found while giving bytes, reported at the next Read.
  bool end_pending = false;
  ZipOutcome pending = ZipOutcome::kOk;
  bool ended = false;
  ZipOutcome outcome = ZipOutcome::kOk;
  // The budget was spent before the stream began: it gives nothing and ends cut, without
  // starting to inflate (so that opening many entries after that costs little).
  bool starved = false;

  ~State() {
    if (inflater) GiveInflater(std::move(inflater));
  }

  void End(ZipOutcome how) {
    ended = true;
    outcome = how;
  }
  // Ends at the next Read, after the bytes given now.
  void EndLater(ZipOutcome how) {
    end_pending = true;
    pending = how;
  }
  // The whole data has been given: it is whole when its size and checksum are right.
  void Finish() {
    const bool whole =
        given == data.uncompressed_size && (!data.check_crc || crc == data.crc32);
    End(whole ? ZipOutcome::kOk : ZipOutcome::kDamaged);
  }

  size_t ReadStored(uint8_t* out, size_t n) {
    const uint64_t left = data.compressed_size - consumed;
    const size_t take = static_cast<size_t>(std::min<uint64_t>(n, left));
    if (take == 0) {
      stream_end = true;
      return 0;
    }
    if (!source->ReadAt(data.offset + consumed, out, take)) {
      End(ZipOutcome::kReadFailed);
      return 0;
    }
    consumed += take;
    if (consumed == data.compressed_size) stream_end = true;
    return take;
  }

  // Inflates into out[0, n) until at least one byte comes out, the stream ends or fails.
  // Returns the bytes that came out; a failure after some bytes is reported by the next Read.
  size_t Inflate(uint8_t* out, size_t n) {
    z_stream& z = inflater->z;
    z.next_out = out;
    z.avail_out = static_cast<uInt>(std::min<size_t>(n, UINT_MAX));
    const uInt room = z.avail_out;
    ZipOutcome failure = ZipOutcome::kOk;
    while (z.avail_out == room) {
      if (z.avail_in == 0 && consumed < data.compressed_size) {
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(kInputChunk, data.compressed_size - consumed));
        if (!source->ReadAt(data.offset + consumed, inflater->input.get(), take)) {
          failure = ZipOutcome::kReadFailed;
          break;
        }
        consumed += take;
        z.next_in = inflater->input.get();
        z.avail_in = static_cast<uInt>(take);
      }
      // With all input given, zlib may still hold output (the rest of a match): it comes out
      // without input, and only a call that moves nothing shows that the stream ends early.
      const uInt in_before = z.avail_in;
      const int result = inflate(&z, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        stream_end = true;
        break;
      }
      const bool moved = z.avail_in != in_before || z.avail_out != room;
      if ((result != Z_OK && result != Z_BUF_ERROR) || !moved) {
        failure = ZipOutcome::kDamaged;
        break;
      }
    }
    const size_t produced = room - z.avail_out;
    if (failure != ZipOutcome::kOk) {
      if (produced > 0) {
        EndLater(failure);
      } else {
        End(failure);
      }
    }
    return produced;
  }

  size_t Produce(uint8_t* out, size_t n) {
    return data.deflated ? Inflate(out, n) : ReadStored(out, n);
  }

  // No byte may be given any more: the entry is whole if nothing is left of it, else cut.
  void EndAtCap() {
    if (!stream_end) {
      uint8_t probe = 0;
      const size_t more = Produce(&probe, 1);
      if (ended) return;  // failed on the way
      if (more > 0 || !stream_end) {
        End(ZipOutcome::kCut);
        return;
      }
    }
    if (end_pending) {
      End(pending);
    } else {
      Finish();
    }
  }
};

ZipEntryStream::ZipEntryStream(ByteSource* source, const ZipEntryData& data, WorkBudget* budget)
    : state_(std::make_unique<State>()), outcome_(ZipOutcome::kOk) {
  State& s = *state_;
  s.source = source;
  s.data = data;
  s.budget = budget;
  if (budget->spent()) {
    s.starved = true;
    return;
  }
  if (data.deflated) {
    s.inflater = TakeInflater();
    if (!s.inflater) s.End(ZipOutcome::kReadFailed);
  }
}

ZipEntryStream::ZipEntryStream() = default;
ZipEntryStream::ZipEntryStream(ZipOutcome outcome) : outcome_(outcome) {}
ZipEntryStream::~ZipEntryStream() = default;
ZipEntryStream::ZipEntryStream(ZipEntryStream&& other) noexcept = default;
ZipEntryStream& ZipEntryStream::operator=(ZipEntryStream&& other) noexcept = default;

size_t ZipEntryStream::Read(void* out, size_t n) {
  if (!state_ || n == 0) return 0;
  State& s = *state_;
  if (s.ended) return 0;
  if (s.starved) {
    s.End(ZipOutcome::kCut);
    return 0;
  }
  if (s.end_pending) {
    s.End(s.pending);
    return 0;
  }
  if (s.stream_end) {
    s.Finish();
    return 0;
  }
  const uint64_t room = std::min(s.data.max_bytes - std::min(s.given, s.data.max_bytes),
                                 s.budget->max - std::min(s.budget->used, s.budget->max));
  if (room == 0) {
    s.EndAtCap();
    return 0;
  }
  auto* bytes = static_cast<uint8_t*>(out);
  const size_t want = static_cast<size_t>(std::min<uint64_t>(std::min(n, kMostPerRead), room));
  const size_t got = s.Produce(bytes, want);
  if (got == 0) {
    if (!s.ended) s.Finish();  // stored data, or a deflate stream, complete
    return 0;
  }
  s.given += got;
  s.budget->used += got;
  if (s.data.check_crc) s.crc = crc32(s.crc, bytes, static_cast<uInt>(got));
  return got;
}

bool ZipEntryStream::ended() const { return !state_ || state_->ended; }

ZipOutcome ZipEntryStream::outcome() const {
  if (!state_) return outcome_;
  return state_->ended ? state_->outcome : ZipOutcome::kOk;
}

uint64_t ZipEntryStream::given() const { return state_ ? state_->given : 0; }

WorkBudget* ZipEntryStream::work_budget() { return state_ ? state_->budget : nullptr; }

}  // namespace oru::containers
