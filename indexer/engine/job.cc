#include "indexer/engine/job.h"

#include <algorithm>

#include "indexer/engine/run_codes.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace oru {

using platform::Result;
using platform::Status;
using platform::TrimBlanks;

bool IsHeaderSection(std::string_view section) {
  const std::string_view name = TrimBlanks(section);
  if (name.size() != 6) return false;
  for (size_t i = 0; i < 6; ++i) {
    char c = name[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != "HEADER"[i]) return false;
  }
  return true;
}

bool IsValidIndexName(std::string_view name) {
  if (name.empty() || name == "0") return false;
  if (TrimBlanks(name).size() != name.size()) return false;
  if (name.front() == '[' || name.front() == ';') return false;
  // A separator of either platform would put the index inside another index's folder; "=" and
  // "]" could not be read back as a key of the status file or a section of the group record.
  if (name.find_first_of("/\\=]") != std::string_view::npos) return false;
  // A control character (NUL included) would break the status file's line or the folder name.
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
  }
  if (name.size() >= 2 && name[1] == ':') return false;  // a drive letter
  return name != "." && name != "..";
}

std::string JobFileProblem(const std::string& path) {
  if (platform::FileExists(path)) return "";
  if (platform::FolderExists(path)) return "it is a folder";
  if (platform::PathExists(path)) return "it is not a regular file (a FIFO, socket or device)";
  return "no such file";
}

namespace {

// The folders of a storage section, each key read by `get(key, default)`.
template <typename Get>
std::vector<std::string> StorageFolders(Get get) {
  std::vector<std::string> folders;
  for (size_t n = 0;; ++n) {
    std::string folder = get("Dir" + std::to_string(n), "0");
    if (folder == "0" || TrimBlanks(folder).empty()) break;
    if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
    folders.push_back(std::move(folder));
  }
  return folders;
}

}  // namespace

std::vector<std::string> ReadStorageFolders(const platform::ProfileFile& job,
                                            const std::string& section) {
  return StorageFolders([&](const std::string& key, const char* default_value) {
    return job.GetString(section, key, default_value);
  });
}

std::vector<std::string> ReadStorageFolders(platform::FileSystem* fs, const std::string& path,
                                            const std::string& section) {
  return StorageFolders([&](const std::string& key, const char* default_value) {
    return fs->ReadProfileString(path, section, key, default_value);
  });
}

uint8_t ReadJob(platform::FileSystem* fs, const std::string& path, Job* job, Status* why) {
  // The whole read tells whether the file is there; its text is then read as a profile. A file
  // that cannot be read reads as an empty profile, as a profile file does.
  std::string text;
  const Status read = fs->ReadWhole(path, &text);
  if (read.result() == Result::kNotFound) {
    *why = Status(Result::kNotFound, "open job file", path, "no such file");
    return kRunNoJobFile;
  }
  const std::vector<std::string> sections =
      read.ok() ? fs->ReadProfileSections(path) : std::vector<std::string>();
  if (sections.empty()) {
    *why = Status(Result::kFailed, "use job file", path, "it has no sections");
    return kRunBadJob;
  }
  job->name = fs->ReadProfileString(path, "Header", "Name", "0");
  if (!IsValidIndexName(job->name)) {  // "0" (no name) included
    *why = Status(Result::kFailed, "use job file", path,
                  "its index name is missing or not allowed");
    return kRunBadJob;
  }
  job->updating = fs->ReadProfileString(path, "Header", "Updating", "0") == "1";
  const auto storage = std::find_if_not(sections.begin(), sections.end(), IsHeaderSection);
  job->storage = storage == sections.end() ? "" : *storage;
  job->folders.clear();
  if (!job->storage.empty()) job->folders = ReadStorageFolders(fs, path, job->storage);
  // The walk must not depend on where the program happens to stand later.
  for (std::string& folder : job->folders) {
    if (!platform::IsAbsolutePath(folder)) folder = platform::CurrentFolder() + folder;
  }
  return kRunOk;
}

std::string JobText(const Job& job) {
  std::string text = "[Header]\nName=" + job.name + "\nUpdating=" + (job.updating ? "1" : "0") +
                     "\n[" + job.storage + "]\n";
  for (size_t i = 0; i < job.folders.size(); ++i) {
    text += "Dir" + std::to_string(i) + "=" + job.folders[i] + "\n";
  }
  return text;
}

}  // namespace oru
