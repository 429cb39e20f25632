// The plug-in registry: "ORU.ini", loading the plug-ins of a storage type, the extension
// filters and the choice of a parser for a file.
#include "indexer/engine/plugin_registry.h"

#include <cstring>

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

PluginRegistry::PluginRegistry() : PluginRegistry(platform::ProgramFolder()) {}

PluginRegistry::PluginRegistry(std::string program_dir) : program_dir_(std::move(program_dir)) {}

PluginRegistry::~PluginRegistry() { Release(); }

bool PluginRegistry::Fail(Status status) {
  failure_ = std::move(status);
  return false;
}

std::string PluginRegistry::PluginPath(const std::string& configured) const {
  if (platform::IsAbsolutePath(configured)) return configured;
  // Never against the current folder, nor through the loader's search: whoever controls where
  // the program is started must not choose the code it runs.
  return program_dir_.empty() ? std::string() : program_dir_ + configured;
}

bool PluginRegistry::Load(const std::string& work_dir, const std::string& storage_type) {
  const std::string path = work_dir + kConfigFileName;
  if (!platform::FileExists(path)) {
    return Fail(Status(Result::kNotFound, "read configuration", path, "no such file"));
  }
  platform::ProfileFile config = platform::ProfileFile::Open(path);
  if (config.KeyNames("Files").empty()) {
    return Fail(Status(Result::kFailed, "use configuration", path, "it has no [Files] section"));
  }
  return LoadStorage(path, config, storage_type) && AddParsers(path, config, storage_type);
}

bool PluginRegistry::LoadParsers(const std::string& work_dir, const std::string& storage_type) {
  const std::string path = work_dir + kConfigFileName;
  if (!platform::FileExists(path)) {
    return Fail(Status(Result::kNotFound, "read configuration", path, "no such file"));
  }
  platform::ProfileFile config = platform::ProfileFile::Open(path);
  return AddParsers(path, config, storage_type);
}

bool PluginRegistry::LoadStorage(const std::string& config_path,
                                 const platform::ProfileFile& config,
                                 const std::string& storage_type) {
  const std::string storage_library = config.GetString("Storages", storage_type, "0");
  if (storage_library == "0") {
    return Fail(Status(Result::kFailed, "use configuration", config_path,
                       "[Storages] names no plug-in for the storage type " + storage_type));
  }
  const std::string storage_path = PluginPath(storage_library);
  storage_library_ =
      platform::Library(storage_path.empty() ? nullptr : platform::LoadLibrary(storage_path));
  if (!storage_library_.loaded()) {
    return Fail(Status(Result::kFailed, "load plug-in", storage_library,
                       storage_path.empty() ? "the program's folder is unknown"
                                            : platform::LastLoadError()));
  }
  // A storage plug-in without its three entry points is no storage plug-in.
  storage_.scan = storage_library_.Find<ScanItFn>(kScanItExport);
  storage_.stop = storage_library_.Find<StopScanFn>(kStopScanExport);
  storage_.next_file = storage_library_.Find<GetNextFileFn>(kGetNextFileExport);
  storage_.add_new = storage_library_.Find<AddNewStorageFn>(kAddNewStorageExport);
  if (storage_.scan == nullptr || storage_.stop == nullptr || storage_.next_file == nullptr) {
    storage_library_ = platform::Library();
    storage_ = StorageExports();
    return Fail(Status(Result::kFailed, "load plug-in", storage_path,
                       "it lacks the exports of a storage plug-in"));
  }
  return true;
}

bool PluginRegistry::AddParsers(const std::string& config_path, platform::ProfileFile& config,
                                const std::string& storage_type) {
  const std::vector<std::string> keys = config.KeyNames(storage_type);
  if (keys.empty()) {
    return Fail(Status(Result::kFailed, "use configuration", config_path,
                       "it has no section [" + storage_type + "] naming parser plug-ins"));
  }
  // Every parser the storage type names must load: one that cannot would leave its files out
  // of an index recorded as complete.
  for (const std::string& key : keys) {
    const std::string name = config.GetString(storage_type, key, "0");
    if (name == "0") continue;
    const std::string configured = config.GetString("Files", name, "0");
    if (configured == "0") {
      return Fail(Status(Result::kFailed, "use configuration", config_path,
                         "[" + storage_type + "] names the parser " + name +
                             ", which [Files] does not list"));
    }
    const std::string library_path = PluginPath(configured);
    if (library_path.empty() || !platform::FileExists(library_path)) {
      return Fail(Status(Result::kNotFound, "load the parser plug-in " + name + " from",
                         library_path.empty() ? configured : library_path, "no such file"));
    }
    if (!AddParserPlugin(name, library_path, config)) return false;
  }
  if (records_.Empty()) {
    return Fail(Status(Result::kFailed, "use configuration", config_path,
                       "[" + storage_type + "] names no parser plug-in listed in [Files]"));
  }
  failure_ = Status();
  return true;
}

bool PluginRegistry::AddParserPlugin(const std::string& name, const std::string& library_path,
                                     platform::ProfileFile& config) {
  auto plugin = std::make_unique<ParserPlugin>();
  plugin->library = platform::Library(platform::LoadLibrary(library_path));
  if (!plugin->library.loaded()) {
    failure_ = Status(Result::kFailed, "load the parser plug-in " + name + " from", library_path,
                      platform::LastLoadError());
    return false;
  }
  // A parser plug-in must have the three exports the words loop calls. They are looked up
  // here, once, and every record of the plug-in points to them.
  ParserExports& exports = plugin->exports;
  // A plug-in that is not registered is unloaded when `plugin` goes.
  const platform::Library& library = plugin->library;
  exports.parse = library.Find<ParseItFn>(kParseItExport);
  exports.stop = library.Find<StopParseFn>(kStopParseExport);
  exports.next_word = library.Find<GetNextWordFn>(kGetNextWordExport);
  if (exports.parse == nullptr || exports.stop == nullptr || exports.next_word == nullptr) {
    failure_ = Status(Result::kFailed, "load the parser plug-in " + name + " from", library_path,
                      "it lacks the exports of a parser plug-in");
    return false;
  }
  exports.fragment = library.Find<GetFragmentAtPosFn>(kGetFragmentAtPosExport);
  bool registered = false;
  if (!config.KeyNames("Extensions").empty()) {
    const std::string cached = config.GetString("Extensions", name, "");
    const std::string_view filter = TrimBlanks(cached);
    if (!filter.empty()) {
      registered = ParseExtensionFilter(name, filter, library.get(), &exports, &records_);
      if (registered) parsers_.push_back(std::move(plugin));
      return registered;
    }
  }
  auto describe = library.Find<GetFPlugDataFn>(kGetFPlugDataExport);
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
    registered = ParseExtensionFilter(name, filter, library.get(), &exports, &records_);
  }
  if (!registered) {
    failure_ = Status(Result::kFailed, "register the parser plug-in " + name + " from", library_path,
                      "it gives no extension filter, or " + config.path() +
                          " cannot take it in [Extensions]");
    return false;
  }
  parsers_.push_back(std::move(plugin));
  return true;
}

bool ParseExtensionFilter(const std::string& name, std::string_view filter,
                          platform::LibraryHandle library, const ParserExports* exports,
                          TTypedList<_TExtLib>* records) {
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
        record->Exports = exports;
        records->Add(record);
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

void PluginRegistry::Release() {
  // The records point into the plug-ins: they go first.
  records_.Clear();
  parsers_.clear();
  storage_library_ = platform::Library();
  storage_ = StorageExports();
}

const _TExtLib* PluginRegistry::Match(const std::string& file_name) const {
  for (const _TExtLib* record : records_) {
    const platform::MaskMatch match = platform::MatchFileMask(record->Mask, file_name);
    if (match == platform::MaskMatch::kBadMask) return nullptr;
    if (match == platform::MaskMatch::kMatch) return record;
  }
  return nullptr;
}

EntryKind PluginRegistry::Entry(const std::string& path) const {
  if (platform::FolderExists(path)) return EntryKind::kFolder;
  if (platform::FileExists(path)) return EntryKind::kFile;
  return EntryKind::kMissing;
}

}  // namespace oru
