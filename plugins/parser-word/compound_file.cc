#include "plugins/parser-word/compound_file.h"

#include <algorithm>
#include <limits>

#include "platform/little_endian.h"

namespace oru::dovrin {

using platform::ReadLe;
using platform::ReadLe32;

namespace {

using Table = std::vector<uint32_t>;  // next-sector entries, indexed by sector number
using Seen = std::vector<bool>;       // per sector: already in use

constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr size_t kHeaderDifatEntries = 109;
constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kNoEntry = 0xFFFFFFFF;
constexpr uint32_t kMaxSectors = 0xFFFFFFFA;  // sector numbers above are marks, not sectors
constexpr uint32_t kMiniSectorSize = 64;
constexpr uint64_t kMiniStreamCutoff = 4096;
constexpr size_t kEntrySize = 128;
constexpr uint8_t kStreamEntry = 2;
constexpr uint8_t kRootEntry = 5;

bool ReadAt(platform::File* file, uint64_t offset, void* out, size_t n) {
  return offset <= uint64_t{std::numeric_limits<int64_t>::max()} &&
         file->Seek(static_cast<int64_t>(offset)) == platform::Result::kOk &&
         file->ReadExact(out, n) == platform::Result::kOk;
}

uint64_t CeilDiv(uint64_t a, uint64_t b) { return a / b + (a % b != 0 ? 1 : 0); }

// The sectors of the chain from `start` in `table`: its first `want` sectors when `want` is
// given (where the chain goes on from there does not matter), else all up to the end-of-chain
// mark. Nothing when the chain leaves the table, meets a sector of `seen` (one it already
// passed, or one reserved by the caller) or ends early. At most table.size() steps.
std::optional<Table> WalkChain(const Table& table, Seen seen, uint32_t start,
                               std::optional<uint64_t> want) {
  if (want && *want > table.size()) return std::nullopt;  // before anything is allocated
  Table chain;
  for (uint32_t sector = start; want ? chain.size() < *want : sector != kEndOfChain;
       sector = table[sector]) {
    if (sector >= table.size() || seen[sector]) return std::nullopt;
    seen[sector] = true;
    chain.push_back(sector);
  }
  return chain;
}

// True when the directory entry's name is `name`, ASCII letters compared without regard to case.
bool NameIs(const uint8_t* entry, std::u16string_view name) {
  auto fold = [](uint64_t c) { return c >= 'a' && c <= 'z' ? c - 32 : c; };
  if (name.size() >= 32 || ReadLe(entry + 0x40, 2) != 2 * (name.size() + 1)) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (fold(ReadLe(entry + 2 * i, 2)) != fold(name[i])) return false;
  }
  return true;
}

}  // namespace

uint64_t CompoundFile::EntrySize(const uint8_t* entry) const {
  // version 3 files may leave the high half
  return sector_size_ == 512 ? ReadLe32(entry + 0x78) : ReadLe(entry + 0x78, 8);
}

std::optional<CompoundFile::Table> CompoundFile::Chain(uint32_t start,
                                                       std::optional<uint64_t> want) const {
  return WalkChain(fat_, reserved_, start, want);
}

bool CompoundFile::LoadHeader() {
  const int64_t file_size = file_->Size();
  if (file_size < 0 || !ReadAt(file_, 0, header_, kHeaderSize) ||
      !std::equal(std::begin(kSignature), std::end(kSignature), header_)) {
    return false;
  }
  const uint64_t shift = ReadLe(header_ + 0x1E, 2);
  if (shift != 9 && shift != 12) return false;
  sector_size_ = uint32_t{1} << shift;
  if (uint64_t(file_size) <= sector_size_) return false;
  sector_count_ = static_cast<uint32_t>(
      std::min<uint64_t>(CeilDiv(uint64_t(file_size) - sector_size_, sector_size_), kMaxSectors));
  reserved_.assign(sector_count_, false);
  return true;
}

// The FAT's sectors are listed by the header (the first 109) and then by the DIFAT chain, each
// DIFAT sector ending with the number of the next. Every one must be a distinct sector.
bool CompoundFile::LoadFat() {
  const uint32_t fat_sectors = ReadLe32(header_ + 0x2C);
  Table list;
  for (size_t i = 0; i < kHeaderDifatEntries && list.size() < fat_sectors; ++i) {
    list.push_back(ReadLe32(header_ + 0x4C + 4 * i));
  }
  const size_t per_sector = sector_size_ / 4;
  std::vector<uint8_t> sector(sector_size_);
  for (uint32_t next = ReadLe32(header_ + 0x44); list.size() < fat_sectors;) {
    if (next >= sector_count_ || reserved_[next]) return false;
    reserved_[next] = true;
    if (!ReadAt(file_, SectorAt(next), sector.data(), sector.size())) return false;
    for (size_t i = 0; i + 1 < per_sector && list.size() < fat_sectors; ++i) {
      list.push_back(ReadLe32(&sector[4 * i]));
    }
    next = ReadLe32(&sector[4 * (per_sector - 1)]);
  }
  for (uint32_t fat_sector : list) {
    if (fat_sector >= sector_count_ || reserved_[fat_sector]) return false;
    reserved_[fat_sector] = true;
    if (fat_.size() >= sector_count_) continue;  // entries past the file's sectors are unused
    if (!ReadAt(file_, SectorAt(fat_sector), sector.data(), sector.size())) return false;
    for (size_t i = 0; i < per_sector; ++i) fat_.push_back(ReadLe32(&sector[4 * i]));
  }
  if (fat_.size() > sector_count_) fat_.resize(sector_count_);
  return true;
}

bool CompoundFile::ReadSectors(const Table& sectors, std::vector<uint8_t>* out) const {
  out->resize(sectors.size() * sector_size_);
  for (size_t i = 0; i < sectors.size(); ++i) {
    if (!ReadAt(file_, SectorAt(sectors[i]), out->data() + i * sector_size_, sector_size_)) {
      return false;
    }
  }
  return true;
}

// Walks the tree of the root storage's children (left, right and nothing below), each entry at
// most once, and returns the stream entry called `name`.
std::optional<uint32_t> CompoundFile::FindEntry(std::u16string_view name) const {
  const size_t count = directory_.size() / kEntrySize;
  std::vector<bool> visited(count, false);
  std::vector<uint32_t> pending{ReadLe32(&directory_[0x4C])};
  while (!pending.empty()) {
    const uint32_t id = pending.back();
    pending.pop_back();
    if (id == kNoEntry) continue;
    if (id >= count || visited[id]) return std::nullopt;
    visited[id] = true;
    const uint8_t* entry = &directory_[id * kEntrySize];
    if (entry[0x42] == kStreamEntry && NameIs(entry, name)) {
      return id;
    }
    pending.push_back(ReadLe32(entry + 0x44));
    pending.push_back(ReadLe32(entry + 0x48));
  }
  return std::nullopt;
}

std::optional<CompoundStream> CompoundFile::MiniStream(uint32_t start, uint64_t size) const {
  const uint64_t root_size = EntrySize(directory_.data());
  const auto root = Chain(ReadLe32(&directory_[0x74]), CeilDiv(root_size, sector_size_));
  const auto mini_fat_sectors = Chain(ReadLe32(header_ + 0x3C), std::nullopt);
  std::vector<uint8_t> bytes;
  if (!root || !mini_fat_sectors || !ReadSectors(*mini_fat_sectors, &bytes)) return std::nullopt;
  // Mini sectors past the end of the mini stream do not exist.
  Table mini_fat(std::min<uint64_t>(bytes.size() / 4, CeilDiv(root_size, kMiniSectorSize)));
  for (size_t i = 0; i < mini_fat.size(); ++i) mini_fat[i] = ReadLe32(&bytes[4 * i]);
  const auto chain =
      WalkChain(mini_fat, Seen(mini_fat.size(), false), start, CeilDiv(size, kMiniSectorSize));
  if (!chain) return std::nullopt;
  std::vector<uint64_t> at;
  at.reserve(chain->size());
  for (uint32_t mini_sector : *chain) {
    const uint64_t offset = uint64_t{mini_sector} * kMiniSectorSize;
    at.push_back(SectorAt((*root)[offset / sector_size_]) + offset % sector_size_);
  }
  return CompoundStream(file_, size, kMiniSectorSize, std::move(at));
}

bool CompoundFile::LoadDirectory() {
  const auto directory_sectors = Chain(ReadLe32(header_ + 0x30), std::nullopt);
  return directory_sectors && ReadSectors(*directory_sectors, &directory_) &&
         !directory_.empty() && directory_[0x42] == kRootEntry;
}

std::optional<CompoundFile> CompoundFile::Open(platform::File* file) {
  CompoundFile compound(file);
  if (!compound.LoadHeader() || !compound.LoadFat() || !compound.LoadDirectory()) {
    return std::nullopt;
  }
  return compound;
}

std::optional<CompoundStream> CompoundFile::Find(std::u16string_view name) const {
  const auto id = FindEntry(name);
  if (!id) return std::nullopt;
  const uint8_t* entry = &directory_[*id * kEntrySize];
  const uint64_t size = EntrySize(entry);
  if (size < kMiniStreamCutoff) return MiniStream(ReadLe32(entry + 0x74), size);
  const auto chain = Chain(ReadLe32(entry + 0x74), CeilDiv(size, sector_size_));
  if (!chain) return std::nullopt;
  std::vector<uint64_t> at(chain->size());
  std::transform(chain->begin(), chain->end(), at.begin(), [&](uint32_t s) { return SectorAt(s); });
  return CompoundStream(file_, size, sector_size_, std::move(at));
}

std::optional<CompoundStream> CompoundStream::Find(platform::File* file, std::u16string_view name) {
  const auto compound = CompoundFile::Open(file);
  if (!compound) return std::nullopt;
  return compound->Find(name);
}

bool CompoundStream::Read(uint64_t offset, void* out, size_t n) const {
  if (offset > size_ || n > size_ - offset) return false;
  auto* to = static_cast<uint8_t*>(out);
  while (n > 0) {
    const uint64_t unit = offset / unit_;
    uint64_t run = unit_ - offset % unit_;  // from offset to the end of its run of adjacent units
    for (uint64_t next = unit + 1; run < n && next < unit_offsets_.size() &&
                                   unit_offsets_[next] == unit_offsets_[next - 1] + unit_;
         ++next) {
      run += unit_;
    }
    const size_t take = static_cast<size_t>(std::min<uint64_t>(run, n));
    if (!ReadAt(file_, unit_offsets_[unit] + offset % unit_, to, take)) return false;
    to += take;
    offset += take;
    n -= take;
  }
  return true;
}

}  // namespace oru::dovrin
