#include "tools/oru/work.h"

#include "indexer/engine/index_records.h"
#include "indexer/engine/job.h"
#include "indexer/engine/work_folders.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/ini.h"
#include "tools/oru/group.h"

namespace oru::tool {

namespace {

constexpr char kJobSuffix[] = ".job.ini";

// True when the folder is there, made now or by another run at the same moment.
bool EnsureFolder(const std::string& path) {
  return platform::FolderExists(path) || platform::CreateFolder(path) == platform::Result::kOk ||
         platform::FolderExists(path);
}

}  // namespace

std::string WorkFolder() {
  const std::string base = WorkBaseFolder();
  if (base.empty()) return "";
  const char sep = platform::kPathSeparator;
  return base + kVendorFolder + sep + kProductFolder + sep;
}

bool PrepareWorkFolder(std::string* work, bool* config_written, std::string* error) {
  const std::string base = WorkBaseFolder();
  if (base.empty()) {
    *error = "cannot tell where the work folder belongs";
    return false;
  }
  const char sep = platform::kPathSeparator;
  const std::string vendor = base + kVendorFolder + sep;
  *work = vendor + kProductFolder + sep;
  for (const std::string& folder : {vendor, *work, *work + kStoragesFolder + sep}) {
    if (!EnsureFolder(folder)) {
      *error = "cannot create the folder " + folder;
      return false;
    }
  }
  const std::string config = *work + kConfigFileName;
  *config_written = !platform::FileExists(config);
  if (!WriteDefaultConfig(config, platform::ProgramFolder())) {
    *error = "cannot write " + config;
    return false;
  }
  return true;
}

bool WriteFileWhole(const std::string& path, const std::string& text, std::string* error) {
  const std::string temporary = path + ".new";
  platform::File file;
  platform::Status status = platform::File::Open(temporary, platform::OpenMode::kCreate, &file);
  if (status.ok()) status = file.Write(text.data(), text.size());
  if (status.ok()) status = file.Sync();
  if (status.ok()) status = file.Close();
  if (status.ok()) status = platform::RenameFile(temporary, path);
  if (!status.ok()) {
    file.Close();
    platform::DeleteFile(temporary);
    *error = status.Message();
    return false;
  }
  return true;
}

std::string IndexFolder(const std::string& work, const std::string& name) {
  return work + kStoragesFolder + platform::kPathSeparator + name + platform::kPathSeparator;
}

std::string JobFilePath(const std::string& work, const std::string& name) {
  return work + name + kJobSuffix;
}

std::string StorageTypeOf(const platform::ProfileFile& job) {
  for (const std::string& section : job.SectionNames()) {
    if (!IsHeaderSection(section)) return section;
  }
  return kDefaultStorageType;
}

std::string StorageTypeOf(const std::string& work, const std::string& name) {
  const std::string path = JobFilePath(work, name);
  if (!platform::FileExists(path)) return kDefaultStorageType;
  return StorageTypeOf(platform::ProfileFile::Open(path));
}

IndexState ReadIndexState(const std::string& work, const std::string& name) {
  const std::string value = IndexRecords(work).Read(name);
  if (value == "1") return IndexState::kComplete;
  if (value == "0") return IndexState::kIncomplete;
  return IndexState::kUnknown;
}

// The folders and files of an index's job file, without their trailing separators.
std::vector<std::string> JobFolders(const std::string& work, const std::string& name) {
  std::vector<std::string> folders;
  const std::string path = JobFilePath(work, name);
  if (!platform::FileExists(path)) return folders;
  const platform::ProfileFile job = platform::ProfileFile::Open(path);
  for (std::string folder : ReadStorageFolders(job, StorageTypeOf(job))) {
    while (folder.size() > 1 && folder.back() == platform::kPathSeparator) folder.pop_back();
    folders.push_back(std::move(folder));
  }
  return folders;
}

std::vector<std::string> FoldersOf(const std::string& work, const std::string& name) {
  IndexGroup group;
  if (FindGroup(work, name, &group)) return group.folders;
  return JobFolders(work, name);
}

}  // namespace oru::tool
