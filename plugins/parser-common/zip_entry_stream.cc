#include "plugins/parser-common/zip_entry_stream.h"

#include <zlib.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace oru::containers {
namespace {

constexpr size_t kInputChunk = 64 * 1024;
constexpr size_t kMostPerRead = size_t{1} << 30;  // keeps counts within zlib's uInt

}  // namespace

struct ZipEntryStream::State {
  ByteSource* source = nullptr;
  ZipEntryData data;
  WorkBudget* budget = nullptr;

  z_stream z{};  // stays at this address: zlib's state points back to it
  bool z_ready = false;
  std::vector<uint8_t> input;
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
    if (z_ready) inflateEnd(&z);
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
    const bool whole = given == data.uncompressed_size && crc == data.crc32;
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
    z.next_out = out;
    z.avail_out = static_cast<uInt>(std::min<size_t>(n, UINT_MAX));
    const uInt room = z.avail_out;
    ZipOutcome failure = ZipOutcome::kOk;
    while (z.avail_out == room) {
      if (z.avail_in == 0 && consumed < data.compressed_size) {
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(kInputChunk, data.compressed_size - consumed));
        if (!source->ReadAt(data.offset + consumed, input.data(), take)) {
          failure = ZipOutcome::kReadFailed;
          break;
        }
        consumed += take;
        z.next_in = input.data();
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
    // An entry smaller than a chunk needs no more room (nor the clearing of more).
    s.input.resize(static_cast<size_t>(std::min<uint64_t>(kInputChunk, data.compressed_size)));
    if (inflateInit2(&s.z, -MAX_WBITS) != Z_OK) {
      s.End(ZipOutcome::kReadFailed);
      return;
    }
    s.z_ready = true;
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
  s.crc = crc32(s.crc, bytes, static_cast<uInt>(got));
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
