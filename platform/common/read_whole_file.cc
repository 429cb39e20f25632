// Reading a whole file through the platform's File: the same on every platform.
#include "platform/files.h"

namespace oru::platform {

Status ReadWholeFile(const std::string& path, std::string* out) {
  File file;
  Status result = File::Open(path, OpenMode::kReadExisting, &file);
  if (result != Result::kOk) return result;
  std::string text;
  int64_t size = file.Size();
  if (size > 0) text.reserve(static_cast<size_t>(size));
  // Read to the end rather than trusting the size: the file may grow or shrink meanwhile.
  char buffer[64 * 1024];
  for (;;) {
    size_t got = 0;
    result = file.Read(buffer, sizeof buffer, &got);
    if (result != Result::kOk) return result;
    if (got == 0) break;
    text.append(buffer, got);
  }
  result = file.Close();
  if (result == Result::kOk) out->swap(text);
  return result;
}

}  // namespace oru::platform
