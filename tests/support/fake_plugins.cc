#include "tests/support/fake_plugins.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "platform/little_endian.h"
#include "platform/utf8.h"

namespace oru::testing {

namespace {

// The set in use, and the state of its walk and of its parse.
const FakePlugins* current = nullptr;
const std::map<std::string, FakePlugins::File>* corpus = nullptr;
std::vector<std::string> walk;
size_t next_file = 0;
const std::string* text = nullptr;
bool wide_text = false;

bool ScanIt(const char* root) {
  std::string folder = root;
  walk.clear();
  next_file = 0;
  if (corpus == nullptr) return false;
  std::string file = folder;  // a root naming one file, as the walk hands it (with a separator)
  if (!file.empty() && file.back() == platform::kPathSeparator) file.pop_back();
  if (corpus->count(file) != 0) {
    walk.push_back(file);
    return true;
  }
  if (folder.empty() || folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  for (auto it = corpus->lower_bound(folder);
       it != corpus->end() && it->first.compare(0, folder.size(), folder) == 0; ++it) {
    walk.push_back(it->first);
  }
  return !walk.empty();
}

const char* GetNextFile(int32_t* size, int32_t* time) {
  if (corpus == nullptr || next_file >= walk.size()) return nullptr;
  const std::string& path = walk[next_file++];
  const FakePlugins::File& file = corpus->at(path);
  *size = static_cast<int32_t>(file.text.size());
  *time = static_cast<int32_t>(file.time);
  return path.c_str();
}

void StopScan() { walk.clear(); }

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c > 127;
}

bool ParseIt(const char* file_name, const char*) {
  if (corpus == nullptr) return false;
  const auto file = corpus->find(file_name);
  text = file == corpus->end() || file->second.refused ? nullptr : &file->second.text;
  wide_text = text != nullptr && file->second.wide;
  return text != nullptr;
}

bool GetNextWord(WordRecord* rec) {
  if (text == nullptr) return false;
  size_t at = rec->Position;
  while (at < text->size() && !IsWordByte(static_cast<unsigned char>((*text)[at]))) ++at;
  if (at >= text->size()) return false;
  size_t end = at;
  while (end < text->size() && IsWordByte(static_cast<unsigned char>((*text)[end]))) ++end;
  const size_t capacity = std::min<size_t>(rec->Capacity, sizeof(rec->Buffer));
  if (wide_text) {
    std::u16string units;
    char32_t c = 0;
    for (size_t i = at; i < end;) {
      if (platform::NextUtf8(*text, &i, &c)) platform::AppendUtf16(c, &units);
    }
    const size_t n = std::min(units.size(), capacity / 2);
    for (size_t k = 0; k < n; ++k) platform::WriteLe16(rec->Buffer + 2 * k, units[k]);
    rec->Length = static_cast<uint16_t>(2 * n);
  } else {
    const size_t n = std::min(end - at, capacity);
    std::memcpy(rec->Buffer, text->data() + at, n);
    rec->Length = static_cast<uint16_t>(n);
  }
  rec->IsWide = wide_text ? 1 : 0;
  rec->Position = static_cast<uint32_t>(end);
  return true;
}

void StopParse() { text = nullptr; }

}  // namespace

FakePlugins::FakePlugins() {
  storage_ = {&ScanIt, &StopScan, &GetNextFile};
  parser_ = {&ParseIt, &GetNextWord, &StopParse, nullptr};
  text_.Active = 1;
  text_.PluginName = "Text";
  text_.TypeName = "Text Files";
  text_.Mask = "*.txt";
  text_.Exports = &parser_;
}

FakePlugins::~FakePlugins() {
  if (current == this) {
    current = nullptr;
    corpus = nullptr;
  }
}

bool FakePlugins::Load(const std::string&, const std::string&) {
  if (!loads) return false;
  current = this;
  corpus = &files;
  return true;
}

const _TExtLib* FakePlugins::Match(const std::string& file_name) const {
  const size_t n = file_name.size();
  const bool text_file = n > 4 && file_name.compare(n - 4, 4, ".txt") == 0;
  return text_file ? &text_ : nullptr;
}

EntryKind FakePlugins::Entry(const std::string& path) const {
  if (files.count(path) != 0) return EntryKind::kFile;
  std::string folder = path;
  if (folder.empty() || folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
  const auto below = files.lower_bound(folder);
  const bool found = below != files.end() && below->first.compare(0, folder.size(), folder) == 0;
  return found ? EntryKind::kFolder : EntryKind::kMissing;
}

}  // namespace oru::testing
