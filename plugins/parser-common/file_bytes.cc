#include "plugins/parser-common/file_bytes.h"

#include <algorithm>

#include "platform/files.h"

namespace oru::parser {

bool ReadFileBytes(const char* path, size_t cap, std::string* out, bool* cut) {
  out->clear();
  if (cut != nullptr) *cut = false;
  if (path == nullptr || path[0] == '\0') return false;
  platform::File file;
  if (!platform::File::Open(path, platform::OpenMode::kReadExisting, &file).ok()) return false;
  const int64_t size = file.Size();
  if (size < 0) return false;
  // The size is a hint: a file that grows or shrinks meanwhile is read as far as it goes.
  const size_t want = std::min<uint64_t>(static_cast<uint64_t>(size), cap);
  out->resize(want);
  size_t have = 0;
  while (have < want) {
    size_t got = 0;
    if (!file.Read(out->data() + have, want - have, &got).ok()) return false;
    if (got == 0) break;
    have += got;
  }
  out->resize(have);
  if (cut != nullptr) *cut = static_cast<uint64_t>(size) > cap;
  return true;
}

}  // namespace oru::parser
