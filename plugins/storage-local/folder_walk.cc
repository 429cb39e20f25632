#include "plugins/storage-local/folder_walk.h"

#include <utility>

#include "platform/codepage.h"
#include "platform/files.h"

namespace oru::storage {

using platform::EntryKind;
using platform::FindEntry;

std::string MakeRootText(std::string_view root) {
  std::string text(platform::TrimBlanks(root));
  if (!text.empty() && text.back() != platform::kPathSeparator) {
    text += platform::kPathSeparator;
  }
  return text;
}

bool FolderWalk::Start(std::string_view root) {
  Stop();
  std::string text = MakeRootText(root);
  if (text.empty()) return false;
  // A job reader ends every root in a separator, a file root too.
  std::string file = text;
  while (file.size() > 1 && file.back() == platform::kPathSeparator) file.pop_back();
  if (platform::FileExists(file)) {
    // A path cut to 260 bytes would name another file.
    FoundFile single;
    if (file.size() > kMaxPath ||
        !platform::GetFileSizeAndTime(file, &single.size, &single.time)) {
      return false;
    }
    single.path = std::move(file);
    single_ = std::move(single);
    return true;
  }
  return Push(std::move(text));
}

void FolderWalk::Stop() {
  stack_.clear();
  single_.reset();
}

bool FolderWalk::Push(std::string path) {
  TRec rec;
  if (rec.search.Start(path, &rec.first) != platform::Result::kOk) return false;
  rec.has_first = true;
  rec.path = std::move(path);
  stack_.push_back(std::move(rec));
  return true;
}

bool FolderWalk::Next(FoundFile* out) {
  if (single_) {
    *out = std::move(*single_);
    single_.reset();
    return true;
  }
  while (!stack_.empty()) {
    TRec& top = stack_.back();
    FindEntry entry;
    if (top.has_first) {
      // The first entry is examined like every other one.
      entry = std::move(top.first);
      top.has_first = false;
    } else if (!top.search.Next(&entry)) {
      stack_.pop_back();  // exhausted or failed: closes the enumeration
      continue;
    }
    if (entry.name == "." || entry.name == "..") continue;

    if (entry.kind == EntryKind::kFile) {
      // A path cut to 260 bytes would name another file: skip it instead.
      if (top.path.size() + entry.name.size() > kMaxPath) continue;
      out->path = top.path + entry.name;
      out->size = entry.size;
      out->time = entry.time;
      return true;
    }
    if (entry.kind == EntryKind::kFolder) {
      std::string sub = top.path + entry.name + platform::kPathSeparator;
      // Every file below a folder path this long would be skipped anyway; not entering it
      // also bounds the depth of the walk, whatever the mounts do.
      if (sub.size() >= kMaxPath) continue;
      Push(std::move(sub));  // a folder that cannot be read is skipped with its subtree
    }
    // Links to folders, FIFOs, sockets, devices and broken links are passed over.
  }
  return false;
}

}  // namespace oru::storage
