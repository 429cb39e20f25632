#include "indexer/engine/job.h"

#include "platform/codepage.h"
#include "platform/files.h"

namespace oru {

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

std::vector<std::string> ReadStorageFolders(const platform::ProfileFile& job,
                                            const std::string& section) {
  std::vector<std::string> folders;
  for (size_t n = 0;; ++n) {
    std::string folder = job.GetString(section, "Dir" + std::to_string(n), "0");
    if (folder == "0" || TrimBlanks(folder).empty()) break;
    if (folder.back() != platform::kPathSeparator) folder += platform::kPathSeparator;
    folders.push_back(std::move(folder));
  }
  return folders;
}

}  // namespace oru
