#include "indexer/engine/unread_files.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <memory>

namespace oru {

namespace {

using platform::Result;
using platform::Status;

constexpr const char* kReasonNames[] = {"refused", "crashed", "timed out"};

std::string EscapePath(std::string_view path) {
  std::string out;
  out.reserve(path.size());
  for (const char c : path) {
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += c;
    }
  }
  return out;
}

bool UnescapePath(std::string_view text, std::string* path) {
  path->clear();
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      *path += text[i];
      continue;
    }
    if (++i == text.size()) return false;
    switch (text[i]) {
      case '\\': *path += '\\'; break;
      case 'n': *path += '\n'; break;
      case 'r': *path += '\r'; break;
      default: return false;
    }
  }
  return !path->empty();
}

// The next tab-separated field of `line`, consumed.
std::string_view NextField(std::string_view* line) {
  const size_t tab = line->find('\t');
  const std::string_view field = line->substr(0, tab);
  line->remove_prefix(tab == std::string_view::npos ? line->size() : tab + 1);
  return field;
}

template <typename T>
bool ParseNumber(std::string_view text, T* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

const char* UnreadReasonName(UnreadReason reason) {
  return kReasonNames[static_cast<size_t>(reason)];
}

int64_t SecondsNow() {
  return std::chrono::duration_cast<std::chrono::seconds>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

std::string UnreadLine(const UnreadFile& file) {
  return std::string(UnreadReasonName(file.reason)) + '\t' + std::to_string(file.size) + '\t' +
         std::to_string(file.time) + '\t' + std::to_string(file.when) + '\t' +
         EscapePath(file.path);
}

bool ParseUnreadLine(std::string_view line, UnreadFile* file) {
  const std::string_view reason = NextField(&line);
  const auto named = std::find(std::begin(kReasonNames), std::end(kReasonNames), reason);
  if (named == std::end(kReasonNames)) return false;
  file->reason = static_cast<UnreadReason>(named - std::begin(kReasonNames));
  if (!ParseNumber(NextField(&line), &file->size)) return false;
  if (!ParseNumber(NextField(&line), &file->time)) return false;
  if (!ParseNumber(NextField(&line), &file->when)) return false;
  return UnescapePath(line, &file->path);
}

std::string UnreadFiles::PathFor(const std::string& storages_dir, const std::string& name) {
  return storages_dir + name + ".unread";
}

bool UnreadFiles::Load(platform::FileSystem* fs, const std::string& path) {
  files_.clear();
  dirty_ = false;
  std::string text;
  const Status read = fs->ReadWhole(path, &text);
  if (!read.ok()) return read.result() == Result::kNotFound;
  std::string_view rest = text;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    UnreadFile file;
    if (ParseUnreadLine(line, &file)) files_[file.path] = std::move(file);
  }
  return true;
}

Status UnreadFiles::Save(platform::FileSystem* fs, const std::string& path) {
  dirty_ = false;
  if (files_.empty()) {
    const Status removed = fs->Delete(path);
    return removed.result() == Result::kNotFound ? Status() : removed;
  }
  std::string text;
  for (const UnreadFile& file : Sorted()) text += UnreadLine(file) + '\n';
  const std::string temporary = path + ".new";
  std::unique_ptr<platform::WriteFile> out;
  Status status = fs->Create(temporary, &out);
  if (status.ok()) status = out->Write(text.data(), text.size());
  if (status.ok()) status = out->Close();
  if (status.ok()) status = fs->SyncFile(temporary);
  if (status.ok()) status = fs->Rename(temporary, path);
  if (!status.ok()) {
    if (out != nullptr) out->Close();
    fs->Delete(temporary);
    dirty_ = true;
  }
  return status;
}

const UnreadFile* UnreadFiles::Find(const std::string& path) const {
  const auto it = files_.find(path);
  return it == files_.end() ? nullptr : &it->second;
}

void UnreadFiles::Put(UnreadFile file) {
  std::string key = file.path;
  files_[std::move(key)] = std::move(file);
  dirty_ = true;
}

void UnreadFiles::Remove(const std::string& path) {
  if (files_.erase(path) != 0) dirty_ = true;
}

std::vector<UnreadFile> UnreadFiles::Sorted() const {
  std::vector<UnreadFile> sorted;
  sorted.reserve(files_.size());
  for (const auto& [path, file] : files_) sorted.push_back(file);
  std::sort(sorted.begin(), sorted.end(),
            [](const UnreadFile& a, const UnreadFile& b) { return a.path < b.path; });
  return sorted;
}

}  // namespace oru
