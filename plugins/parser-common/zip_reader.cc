#include "plugins/parser-common/zip_reader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <limits>
#include <ostream>
#include <utility>

#include "platform/little_endian.h"
#include "plugins/parser-common/buffer_cache.h"
#include "plugins/parser-common/part_path.h"

namespace oru::containers {

using platform::ReadLe16;
using platform::ReadLe32;
using platform::ReadLe64;

namespace {

constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kZip64EndSignature = 0x06064B50;
constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
constexpr uint64_t kLocalSize = 30, kCentralSize = 46, kEndSize = 22;
constexpr uint64_t kZip64EndSize = 56, kZip64LocatorSize = 20;
constexpr uint64_t kMaxComment = 0xFFFF;
constexpr uint16_t kZip64ExtraId = 0x0001;
constexpr uint32_t kSaturated32 = 0xFFFFFFFF;
constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

uint64_t SaturatingAdd(uint64_t a, uint64_t b) { return a > kNoLimit - b ? kNoLimit : a + b; }
uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  return b != 0 && a > kNoLimit / b ? kNoLimit : a * b;
}

// Where the central directory lies, as the end records give it.
struct Place {
  uint64_t entries = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint64_t records = 0;  // where the end records after the directory begin
};

// The end record in the last `tail.size()` bytes of the file, which begin at `tail_start`:
// searched backwards, preferring one whose comment reaches exactly the end of the file (a
// comment may itself hold the signature), else the last one that fits.
ZipOpenOutcome FindEndIn(std::string_view tail, uint64_t tail_start, uint64_t* at) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(tail.data());
  const uint64_t tail_size = tail.size();
  uint64_t fitting = kNoLimit;
  for (uint64_t i = tail_size - kEndSize + 1; i-- > 0;) {
    if (ReadLe32(&bytes[i]) != kEndSignature) continue;
    const uint64_t end = i + kEndSize + ReadLe16(&bytes[i + 20]);
    if (end == tail_size) {
      *at = tail_start + i;
      return ZipOpenOutcome::kOk;
    }
    if (end < tail_size && fitting == kNoLimit) fitting = i;
  }
  if (fitting == kNoLimit) return ZipOpenOutcome::kNotZip;
  *at = tail_start + fitting;
  return ZipOpenOutcome::kOk;
}

ZipOpenOutcome FindEnd(ByteSource* source, uint64_t* at) {
  const uint64_t size = source->Size();
  if (size < kEndSize) return ZipOpenOutcome::kNotZip;
  const uint64_t tail_size = std::min(size, kMaxComment + kEndSize);
  const uint64_t tail_start = size - tail_size;
  std::string tail = TakeBuffer();  // given back below: a buffer of every document
  tail.resize(static_cast<size_t>(tail_size));
  const ZipOpenOutcome found = source->ReadAt(tail_start, tail.data(), tail.size())
                                   ? FindEndIn(tail, tail_start, at)
                                   : ZipOpenOutcome::kReadFailed;
  GiveBuffer(std::move(tail));
  return found;
}

ZipOpenOutcome FindDirectory(ByteSource* source, Place* place) {
  uint64_t end = 0;
  if (const auto found = FindEnd(source, &end); found != ZipOpenOutcome::kOk) return found;
  uint8_t record[kEndSize];
  if (!source->ReadAt(end, record, sizeof record)) return ZipOpenOutcome::kReadFailed;
  place->entries = ReadLe16(record + 10);
  place->size = ReadLe32(record + 12);
  place->offset = ReadLe32(record + 16);
  place->records = end;

  uint8_t locator[kZip64LocatorSize];
  if (end >= kZip64LocatorSize &&
      source->ReadAt(end - kZip64LocatorSize, locator, sizeof locator) &&
      ReadLe32(locator) == kZip64LocatorSignature) {
    const uint64_t at = ReadLe64(locator + 8);
    uint8_t zip64[kZip64EndSize];
    if (at > end - kZip64LocatorSize || kZip64EndSize > end - kZip64LocatorSize - at ||
        !source->ReadAt(at, zip64, sizeof zip64) || ReadLe32(zip64) != kZip64EndSignature) {
      return ZipOpenOutcome::kMalformed;
    }
    place->entries = ReadLe64(zip64 + 32);
    place->size = ReadLe64(zip64 + 40);
    place->offset = ReadLe64(zip64 + 48);
    place->records = at;
  }
  if (place->offset > place->records || place->size > place->records - place->offset) {
    return ZipOpenOutcome::kMalformed;
  }
  return ZipOpenOutcome::kOk;
}

// Takes the ZIP64 values that the saturated fields of `entry` call for out of its extra field;
// false when one is missing.
bool ApplyZip64(const uint8_t* extra, size_t size, bool disk_saturated, ZipEntry* entry) {
  const bool need_uncompressed = entry->uncompressed_size == kSaturated32;
  const bool need_compressed = entry->compressed_size == kSaturated32;
  const bool need_offset = entry->local_header_offset == kSaturated32;
  if (!need_uncompressed && !need_compressed && !need_offset && !disk_saturated) return true;
  for (size_t at = 0; at + 4 <= size;) {
    const uint16_t id = ReadLe16(extra + at);
    const size_t length = ReadLe16(extra + at + 2);
    if (length > size - at - 4) break;
    if (id == kZip64ExtraId) {
      const uint8_t* field = extra + at + 4;
      size_t left = length;
      auto take = [&](uint64_t* value) {
        if (left < 8) return false;
        *value = ReadLe64(field);
        field += 8;
        left -= 8;
        return true;
      };
      return (!need_uncompressed || take(&entry->uncompressed_size)) &&
             (!need_compressed || take(&entry->compressed_size)) &&
             (!need_offset || take(&entry->local_header_offset));
    }
    at += 4 + length;
  }
  return !need_uncompressed && !need_compressed && !need_offset;
}

// Reads the `count` records of the central directory in `bytes`; false when they do not fit it.
bool ReadRecords(const std::vector<uint8_t>& bytes, uint64_t count, std::vector<ZipEntry>* out) {
  out->reserve(static_cast<size_t>(count));
  size_t at = 0;
  for (uint64_t k = 0; k < count; ++k) {
    if (bytes.size() - at < kCentralSize) return false;
    const uint8_t* r = &bytes[at];
    if (ReadLe32(r) != kCentralSignature) return false;
    const size_t name_size = ReadLe16(r + 28);
    const size_t extra_size = ReadLe16(r + 30);
    const size_t comment_size = ReadLe16(r + 32);
    const size_t record_size = kCentralSize + name_size + extra_size + comment_size;
    if (bytes.size() - at < record_size) return false;
    ZipEntry entry;
    entry.flags = ReadLe16(r + 8);
    entry.method = ReadLe16(r + 10);
    entry.crc32 = ReadLe32(r + 16);
    entry.compressed_size = ReadLe32(r + 20);
    entry.uncompressed_size = ReadLe32(r + 24);
    entry.local_header_offset = ReadLe32(r + 42);
    entry.name.assign(reinterpret_cast<const char*>(r + kCentralSize), name_size);
    if (entry.flags & 1) {
      entry.refusal = ZipOutcome::kEncrypted;
    } else if (entry.method != 0 && entry.method != 8) {
      entry.refusal = ZipOutcome::kUnknownMethod;
    }
    if (!ApplyZip64(r + kCentralSize + name_size, extra_size, ReadLe16(r + 34) == 0xFFFF, &entry) &&
        entry.refusal == ZipOutcome::kOk) {
      entry.refusal = ZipOutcome::kBadEntry;
    }
    out->push_back(std::move(entry));
    at += record_size;
  }
  return true;
}

}  // namespace

ZipArchive::ZipArchive() : budget_(std::make_unique<WorkBudget>()) {}
ZipArchive::~ZipArchive() = default;
ZipArchive::ZipArchive(ZipArchive&&) noexcept = default;
ZipArchive& ZipArchive::operator=(ZipArchive&&) noexcept = default;

ZipOpenOutcome ZipArchive::Open(ByteSource* source, ZipArchive* out, const ZipLimits& limits) {
  Place place;
  if (const auto found = FindDirectory(source, &place); found != ZipOpenOutcome::kOk) {
    return found;
  }
  if (place.entries > limits.max_entries || place.size > limits.max_directory_bytes) {
    return ZipOpenOutcome::kTooLarge;
  }
  if (place.entries > place.size / kCentralSize) return ZipOpenOutcome::kMalformed;
  std::vector<uint8_t> directory(static_cast<size_t>(place.size));
  if (!source->ReadAt(place.offset, directory.data(), directory.size())) {
    return ZipOpenOutcome::kReadFailed;
  }
  ZipArchive archive;
  if (!ReadRecords(directory, place.entries, &archive.entries_)) return ZipOpenOutcome::kMalformed;
  archive.source_ = source;
  archive.limits_ = limits;
  archive.budget_->max = limits.max_archive_work;
  archive.budget_->element_weight = limits.element_weight;
  archive.budget_->attribute_weight = limits.attribute_weight;
  archive.budget_->text_weight = limits.text_weight;
  std::vector<ZipEntry>& entries = archive.entries_;
  const auto count = static_cast<uint32_t>(entries.size());

  // A name held by more than one entry is refused in all of them.
  std::vector<uint32_t>& by_name = archive.by_name_;
  by_name.resize(count);
  for (uint32_t i = 0; i < count; ++i) by_name[i] = i;
  std::sort(by_name.begin(), by_name.end(),
            [&](uint32_t a, uint32_t b) { return entries[a].name < entries[b].name; });
  for (uint32_t k = 1; k < count; ++k) {
    ZipEntry& a = entries[by_name[k - 1]];
    ZipEntry& b = entries[by_name[k]];
    if (a.name == b.name) a.refusal = b.refusal = ZipOutcome::kDuplicateName;
  }

  // Each entry owns the bytes from its local header to the next one or to the directory;
  // its header, name and data must fit there. Reading checks again with the local extra field.
  std::vector<uint32_t> by_offset(count);
  for (uint32_t i = 0; i < count; ++i) by_offset[i] = i;
  std::sort(by_offset.begin(), by_offset.end(), [&](uint32_t a, uint32_t b) {
    return entries[a].local_header_offset < entries[b].local_header_offset;
  });
  archive.room_end_.assign(count, 0);
  const uint64_t size = source->Size();
  const uint64_t directory_end = place.offset + place.size;
  for (uint32_t k = 0; k < count; ++k) {
    ZipEntry& entry = entries[by_offset[k]];
    const uint64_t at = entry.local_header_offset;
    const bool shared = (k > 0 && entries[by_offset[k - 1]].local_header_offset == at) ||
                        (k + 1 < count && entries[by_offset[k + 1]].local_header_offset == at);
    uint64_t room = k + 1 < count ? entries[by_offset[k + 1]].local_header_offset : kNoLimit;
    if (at < place.offset) {
      room = std::min(room, place.offset);
    } else if (at >= directory_end && at < place.records) {
      room = std::min(room, place.records);
    } else {
      room = 0;  // the header lies inside the directory or the end records
    }
    archive.room_end_[by_offset[k]] = room;
    if (entry.refusal != ZipOutcome::kOk) continue;
    const uint64_t least = SaturatingAdd(kLocalSize + entry.name.size(), entry.compressed_size);
    if (at > size || least > size - at) {
      entry.refusal = ZipOutcome::kOutOfBounds;
    } else if (shared || room < at || least > room - at) {
      entry.refusal = ZipOutcome::kOverlap;
    }
  }
  *out = std::move(archive);
  return ZipOpenOutcome::kOk;
}

const ZipEntry* ZipArchive::Find(std::string_view name) const {
  const auto it = std::lower_bound(
      by_name_.begin(), by_name_.end(), name,
      [&](uint32_t i, std::string_view key) { return std::string_view(entries_[i].name) < key; });
  if (it == by_name_.end() || entries_[*it].name != name) return nullptr;
  return &entries_[*it];
}

const ZipEntry* ZipArchive::FindRelative(std::string_view base, std::string_view target) const {
  const std::string name = ResolvePartName(base, target);
  if (const ZipEntry* entry = Find(name)) return entry;
  const std::string unescaped = UnescapePartName(name);
  return unescaped != name ? Find(unescaped) : nullptr;
}

ZipOutcome ZipArchive::CheckLocalHeader(const ZipEntry& entry, uint64_t* data_offset) {
  const uint64_t size = source_->Size();
  const uint64_t at = entry.local_header_offset;
  uint8_t header[kLocalSize];
  if (at > size || kLocalSize > size - at) return ZipOutcome::kOutOfBounds;
  if (!source_->ReadAt(at, header, sizeof header)) return ZipOutcome::kReadFailed;
  const size_t name_size = ReadLe16(header + 26);
  const size_t extra_size = ReadLe16(header + 28);
  if (ReadLe32(header) != kLocalSignature || name_size != entry.name.size()) {
    return ZipOutcome::kBadLocalHeader;
  }
  std::string name(name_size, '\0');
  if (!source_->ReadAt(at + kLocalSize, name.data(), name_size)) {
    return at + kLocalSize + name_size > size ? ZipOutcome::kOutOfBounds : ZipOutcome::kReadFailed;
  }
  if (name != entry.name) return ZipOutcome::kBadLocalHeader;
  const uint64_t data = at + kLocalSize + name_size + extra_size;
  if (data > size || entry.compressed_size > size - data) return ZipOutcome::kOutOfBounds;
  const uint64_t room = room_end_[static_cast<size_t>(&entry - entries_.data())];
  if (data > room || entry.compressed_size > room - data) return ZipOutcome::kOverlap;
  *data_offset = data;
  return ZipOutcome::kOk;
}

ZipOutcome ZipArchive::OpenEntry(const ZipEntry& entry, ZipEntryStream* out) {
  const std::less<const ZipEntry*> before;
  if (before(&entry, entries_.data()) || !before(&entry, entries_.data() + entries_.size())) {
    *out = ZipEntryStream(ZipOutcome::kNotFound);
    return ZipOutcome::kNotFound;
  }
  ZipOutcome outcome = entry.refusal;
  ZipEntryData data;
  if (outcome == ZipOutcome::kOk) outcome = CheckLocalHeader(entry, &data.offset);
  if (outcome != ZipOutcome::kOk) {
    *out = ZipEntryStream(outcome);
    return outcome;
  }
  data.compressed_size = entry.compressed_size;
  data.uncompressed_size = entry.uncompressed_size;
  data.crc32 = entry.crc32;
  data.check_crc = limits_.check_checksums;
  data.deflated = entry.method == 8;
  data.max_bytes = limits_.max_entry_bytes;
  if (data.deflated) {
    const uint64_t ratio_cap = SaturatingMul(entry.compressed_size, limits_.max_ratio);
    data.max_bytes = std::min(data.max_bytes, std::max(limits_.ratio_free_bytes, ratio_cap));
  }
  budget_->used += limits_.entry_weight;
  *out = ZipEntryStream(source_, data, budget_.get());
  return out->outcome();
}

ZipOutcome ZipArchive::OpenEntry(std::string_view name, ZipEntryStream* out) {
  if (const ZipEntry* entry = Find(name)) return OpenEntry(*entry, out);
  *out = ZipEntryStream(ZipOutcome::kNotFound);
  return ZipOutcome::kNotFound;
}

ZipOutcome ZipArchive::ReadEntry(const ZipEntry& entry, std::string* out) {
  out->clear();
  ZipEntryStream stream;
  if (const ZipOutcome opened = OpenEntry(entry, &stream); opened != ZipOutcome::kOk) {
    return opened;
  }
  // Room for the size the directory gives, as far as the stored bytes can really hold it.
  constexpr uint64_t kDeflateMostRatio = 1032;
  const uint64_t plausible = entry.method == 8
                                 ? SaturatingMul(entry.compressed_size, kDeflateMostRatio)
                                 : entry.compressed_size;
  out->reserve(
      static_cast<size_t>(std::min({entry.uncompressed_size, plausible, limits_.max_entry_bytes})));
  constexpr size_t kChunk = 64 * 1024;
  for (;;) {
    const size_t had = out->size();
    out->resize(had + kChunk);
    const size_t got = stream.Read(out->data() + had, kChunk);
    out->resize(had + got);
    if (got == 0) break;
  }
  return stream.outcome();
}

ZipOutcome ZipArchive::ReadEntry(std::string_view name, std::string* out) {
  if (const ZipEntry* entry = Find(name)) return ReadEntry(*entry, out);
  out->clear();
  return ZipOutcome::kNotFound;
}

uint64_t ZipArchive::work_used() const { return budget_ ? budget_->used : 0; }

const char* ZipOpenOutcomeName(ZipOpenOutcome outcome) {
  switch (outcome) {
    case ZipOpenOutcome::kOk:
      return "ok";
    case ZipOpenOutcome::kNotZip:
      return "not a ZIP archive";
    case ZipOpenOutcome::kMalformed:
      return "malformed directory";
    case ZipOpenOutcome::kTooLarge:
      return "directory too large";
    case ZipOpenOutcome::kReadFailed:
      return "read failed";
  }
  return "?";
}

void PrintTo(ZipOpenOutcome outcome, std::ostream* out) { *out << ZipOpenOutcomeName(outcome); }

}  // namespace oru::containers
