// The plug-in registry: "ORU.ini", loading the plug-ins of a storage type, the extension
// filters and the choice of a parser for a file.
#include <cstring>

#include "indexer/engine/indexer.h"
#include "indexer/engine/work_folders.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/folders.h"

namespace oru {

namespace {

constexpr size_t kNoEquals = 1024;  // where a filter without '=' is taken to end

using platform::Result;
using platform::Status;
using platform::TrimBlanks;

}  // namespace

std::string TIndexer::PluginPath(const std::string& configured) const {
  if (platform::IsAbsolutePath(configured)) return configured;
  // Never against the current folder, nor through the loader's search: whoever controls where
  // the program is started must not choose the code it runs.
  return settings_.program_dir.empty() ? std::string() : settings_.program_dir + configured;
}

bool TIndexer::LoadPlugins(const std::string& storage_type) {
  const std::string path = settings_.work_dir + kConfigFileName;
  if (!platform::FileExists(path)) {
    return Fail(Status(Result::kNotFound, "read configuration", path, "no such file"));
  }
  platform::ProfileFile config = platform::ProfileFile::Open(path);
  if (config.KeyNames("Files").empty()) {
    return Fail(Status(Result::kFailed, "use configuration", path, "it has no [Files] section"));
  }
  const std::string storage_library = config.GetString("Storages", storage_type, "0");
  if (storage_library == "0") {
    return Fail(Status(Result::kFailed, "use configuration", path,
                       "[Storages] names no plug-in for the storage type " + storage_type));
  }
  const std::string storage_path = PluginPath(storage_library);
  StorageLibrary = storage_path.empty() ? nullptr : platform::LoadLibrary(storage_path);
  if (StorageLibrary == nullptr) {
    return Fail(Status(Result::kFailed, "load plug-in", storage_library,
                       storage_path.empty() ? "the program's folder is unknown"
                                            : platform::LastLoadError()));
  }
  // A storage plug-in without its three entry points is no storage plug-in.
  ScanIt = reinterpret_cast<ScanItFn>(platform::FindExport(StorageLibrary, kScanItExport));
  StopScan = reinterpret_cast<StopScanFn>(platform::FindExport(StorageLibrary, kStopScanExport));
  GetNextFile =
      reinterpret_cast<GetNextFileFn>(platform::FindExport(StorageLibrary, kGetNextFileExport));
  if (ScanIt == nullptr || StopScan == nullptr || GetNextFile == nullptr) {
    platform::FreeLibrary(StorageLibrary);
    StorageLibrary = nullptr;
    return Fail(Status(Result::kFailed, "load plug-in", storage_path,
                       "it lacks the exports of a storage plug-in"));
  }
  const std::vector<std::string> keys = config.KeyNames(storage_type);
  if (keys.empty()) {
    return Fail(Status(Result::kFailed, "use configuration", path,
                       "it has no section [" + storage_type + "] naming parser plug-ins"));
  }
  parser_failure_ = Status(Result::kFailed, "use configuration", path,
                           "[" + storage_type + "] names no parser plug-in listed in [Files]");
  for (const std::string& key : keys) {
    const std::string name = config.GetString(storage_type, key, "0");
    if (name == "0") continue;
    const std::string library_path = PluginPath(config.GetString("Files", name, "0"));
    if (library_path.empty() || !platform::FileExists(library_path)) {
      parser_failure_ = Status(Result::kNotFound, "load plug-in", library_path, "no such file");
      continue;
    }
    AddParserPlugin(name, library_path, config);
  }
  return !Plugins->Empty() || Fail(parser_failure_);
}

bool TIndexer::AddParserPlugin(const std::string& name, const std::string& library_path,
                               platform::ProfileFile& config) {
  platform::LibraryHandle library = platform::LoadLibrary(library_path);
  if (library == nullptr) {
    parser_failure_ =
        Status(Result::kFailed, "load plug-in", library_path, platform::LastLoadError());
    return false;
  }
  // A parser plug-in must have the three exports the words loop calls.
  if (platform::FindExport(library, kParseItExport) == nullptr ||
      platform::FindExport(library, kStopParseExport) == nullptr ||
      platform::FindExport(library, kGetNextWordExport) == nullptr) {
    platform::FreeLibrary(library);
    parser_failure_ = Status(Result::kFailed, "load plug-in", library_path,
                             "it lacks the exports of a parser plug-in");
    return false;
  }
  bool registered = false;
  if (!config.KeyNames("Extensions").empty()) {
    const std::string cached = config.GetString("Extensions", name, "");
    const std::string_view filter = TrimBlanks(cached);
    if (!filter.empty()) {
      registered = ParseExtensionFilter(name, filter, library);
      if (!registered) platform::FreeLibrary(library);
      if (registered) parser_libraries_.push_back(library);
      return registered;
    }
  }
  auto describe =
      reinterpret_cast<GetFPlugDataFn>(platform::FindExport(library, kGetFPlugDataExport));
  DescriptorBlock block;
  std::memset(&block, 0, sizeof(block));  // cleared first, so a careless plug-in leaves zeros
  std::string filter;
  if (describe != nullptr && describe(&block)) {
    filter = std::string(TrimBlanks(std::string_view(block.Filter, strnlen(block.Filter, 1023))));
  }
  // The filter is cached in "Extensions"; when that write is refused the plug-in is not
  // registered, and it is released before returning.
  if (!filter.empty() &&
      config.WriteString("Extensions", name, filter) == platform::Result::kOk) {
    registered = ParseExtensionFilter(name, filter, library);
  }
  if (!registered) {
    platform::FreeLibrary(library);
    parser_failure_ = Status(Result::kFailed, "register plug-in", library_path,
                             "it gives no extension filter, or " + config.path() +
                                 " cannot take it in [Extensions]");
    return false;
  }
  parser_libraries_.push_back(library);
  return true;
}

bool TIndexer::ParseExtensionFilter(const std::string& name, std::string_view filter,
                                    platform::LibraryHandle library) {
  std::string_view rest = filter;
  int group = 0;
  bool appended = false;
  while (true) {
    // Positions below are 0-based; the type name runs up to the first '<'.
    const size_t open = rest.find('<');
    std::string type_name = "???";
    size_t list_start = 0;  // a group without any '<' keeps its first byte in the list
    if (open != std::string_view::npos) {
      if (open > 0) type_name = std::string(rest.substr(0, open));
      list_start = open + 1;
    }
    size_t equals = rest.find('=');
    if (equals == std::string_view::npos) equals = kNoEquals - 1;
    // The list runs up to and including the '=', so its last extension ends there.
    std::string_view list;
    if (equals >= list_start) list = rest.substr(list_start, equals - list_start + 1);
    while (!list.empty()) {
      size_t cut = list.find('>');
      std::string_view extension;
      if (cut == std::string_view::npos) cut = list.find('=');
      if (cut == std::string_view::npos) {
        extension = TrimBlanks(list);
        cut = list.size() - 1;
      } else {
        extension = TrimBlanks(list.substr(0, cut));
      }
      if (!extension.empty()) {
        auto* record = new _TExtLib;
        record->Active = 1;
        record->Group = group;
        record->PluginName = name;
        record->TypeName = type_name;
        record->Mask = "*." + std::string(extension);
        record->Library = library;
        Plugins->Add(record);
        appended = true;
      }
      list = TrimBlanks(list.substr(std::min(cut + 1, list.size())));
    }
    if (equals + 1 >= rest.size()) break;
    rest = TrimBlanks(rest.substr(equals + 1));
    if (rest.empty()) break;
    ++group;
  }
  return appended;
}

bool TIndexer::FreePlugins() {
  if (StorageLibrary != nullptr) {
    platform::FreeLibrary(StorageLibrary);
    StorageLibrary = nullptr;
  }
  for (platform::LibraryHandle library : parser_libraries_) platform::FreeLibrary(library);
  parser_libraries_.clear();
  Plugins->Clear();
  bound_parser_ = nullptr;
  return true;
}

const _TExtLib* MatchParser(const TTypedList<_TExtLib>& plugins, const std::string& file_name) {
  for (const _TExtLib* record : plugins) {
    const platform::MaskMatch match = platform::MatchFileMask(record->Mask, file_name);
    if (match == platform::MaskMatch::kBadMask) return nullptr;
    if (match == platform::MaskMatch::kMatch) return record;
  }
  return nullptr;
}

void TIndexer::BindParser(const _TExtLib& record) {
  if (&record == bound_parser_) return;
  ParseIt = reinterpret_cast<ParseItFn>(platform::FindExport(record.Library, kParseItExport));
  StopParse =
      reinterpret_cast<StopParseFn>(platform::FindExport(record.Library, kStopParseExport));
  GetNextWord =
      reinterpret_cast<GetNextWordFn>(platform::FindExport(record.Library, kGetNextWordExport));
  ParserArg = record.TypeName;
  bound_parser_ = &record;
}

}  // namespace oru
