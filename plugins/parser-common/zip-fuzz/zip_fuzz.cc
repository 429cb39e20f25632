// libFuzzer target: the input is a ZIP archive, read from memory under small limits. Every entry
// is read whole and then in chunks of changing sizes; the two reads must agree, and what they
// give must keep to the limits and to the outcome they report.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "plugins/parser-common/part_path.h"
#include "plugins/parser-common/zip_reader.h"

namespace {

using oru::containers::ZipOutcome;

bool IsRefusal(ZipOutcome outcome) {
  return outcome != ZipOutcome::kOk && outcome != ZipOutcome::kCut &&
         outcome != ZipOutcome::kDamaged && outcome != ZipOutcome::kReadFailed;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace oru::containers;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  MemoryByteSource source(bytes);
  ZipLimits limits;
  limits.max_entry_bytes = 1 << 20;
  limits.max_archive_work = 4 << 20;
  limits.ratio_free_bytes = 64 << 10;
  limits.max_entries = 2000;
  limits.max_directory_bytes = 1 << 20;
  ZipArchive zip;
  if (ZipArchive::Open(&source, &zip, limits) != ZipOpenOutcome::kOk) return 0;

  std::string whole, chunked;
  size_t chunk = 1;
  uint64_t given = 0;  // bytes given by all reads, which the work budget bounds
  for (const ZipEntry& entry : zip.entries()) {
    Check(zip.Find(entry.name) != nullptr);
    const std::string resolved = ResolvePartName("", entry.name);
    if (const ZipEntry* found = zip.FindRelative("", "/" + entry.name)) {
      Check(found->name == resolved || found->name == UnescapePartName(resolved));
    }
    const ZipOutcome first = zip.ReadEntry(entry, &whole);
    Check(whole.size() <= limits.max_entry_bytes);
    if (IsRefusal(first)) Check(whole.empty());
    if (first == ZipOutcome::kOk) Check(whole.size() == entry.uncompressed_size);

    ZipEntryStream stream;
    const ZipOutcome opened = zip.OpenEntry(entry, &stream);
    Check(opened == ZipOutcome::kOk || opened == first);
    chunked.clear();
    char buffer[4096];
    for (size_t got; (got = stream.Read(buffer, chunk)) > 0; chunk = chunk % sizeof buffer + 7) {
      Check(got <= chunk);
      chunked.append(buffer, got);
    }
    Check(stream.ended() && stream.given() == chunked.size());
    Check(stream.Read(buffer, 1) == 0);
    // The archive's budget may cut the second read sooner; otherwise both give the same.
    const ZipOutcome second = stream.outcome();
    if (second == first) Check(chunked == whole);
    Check(whole.compare(0, chunked.size(), chunked) == 0 || chunked.size() > whole.size());
    given += whole.size() + chunked.size();
    Check(given <= limits.max_archive_work);
  }
  return 0;
}
