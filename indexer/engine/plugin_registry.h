// The plug-in registry: the storage plug-in and the parser plug-ins a storage type names in
// "ORU.ini", with each parser's extensions as file masks in priority order. Tamsel walks and
// parses through it; the search tool uses it to count files and to cut fragments.
#ifndef ORU_INDEXER_ENGINE_PLUGIN_REGISTRY_H_
#define ORU_INDEXER_ENGINE_PLUGIN_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/typed_list.h"
#include "platform/dynlib.h"
#include "platform/ini.h"
#include "platform/status.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/storage_plugin.h"

namespace oru {

// The entry points of the storage plug-in.
struct StorageExports {
  ScanItFn scan = nullptr;
  StopScanFn stop = nullptr;
  GetNextFileFn next_file = nullptr;
  AddNewStorageFn add_new = nullptr;  // for the search window; the pass never calls it
};

// The entry points of one parser plug-in, looked up once when it is loaded. The first three
// are always there (a plug-in without them is not registered); `fragment` is null for a
// plug-in that cuts no fragments.
struct ParserExports {
  ParseItFn parse = nullptr;
  GetNextWordFn next_word = nullptr;
  StopParseFn stop = nullptr;
  GetFragmentAtPosFn fragment = nullptr;
};

// One extension of a registered parser plug-in; the registry's order is the matching priority.
struct _TExtLib {
  uint8_t Active = 0;
  int32_t Group = 0;       // 0-based filter group that produced the record
  std::string PluginName;  // the plug-in's key in "Files"
  std::string TypeName;    // the group's type name ("???" for a group starting with '<')
  std::string Mask;        // "*." + extension, case kept
  platform::LibraryHandle Library = nullptr;  // shared by every record of one plug-in
  const ParserExports* Exports = nullptr;     // likewise; both owned by the registry
};

// Appends to `records` one record per extension of the extension filter `filter` (as a
// plug-in's descriptor or "Extensions" gives it) of the plug-in `name`, every one pointing to
// `library` and `exports`. False when the filter names no extension.
bool ParseExtensionFilter(const std::string& name, std::string_view filter,
                          platform::LibraryHandle library, const ParserExports* exports,
                          TTypedList<_TExtLib>* records);

// What a file system entry is, as the storage plug-in would meet it.
enum class EntryKind { kMissing, kFolder, kFile };

// The plug-ins of a pass: the storage plug-in that walks the job's folders and the parsers,
// matched by file name. The registry loads them from "ORU.ini"; engine tests put in their own.
class PluginSet {
 public:
  virtual ~PluginSet() = default;
  // Loads the plug-ins of `storage_type` (see PluginRegistry::Load).
  virtual bool Load(const std::string& work_dir, const std::string& storage_type) = 0;
  virtual void Release() = 0;
  virtual const StorageExports& Storage() const = 0;
  // The record of the parser that serves `file_name`, or null.
  virtual const _TExtLib* Match(const std::string& file_name) const = 0;
  // Why the last load failed.
  virtual const platform::Status& Failure() const = 0;
  // What `path` is where the storage plug-in walks.
  virtual EntryKind Entry(const std::string& path) const = 0;
};

// Holds the plug-ins it loaded (each one load, a platform::Library) until Release or
// destruction. Not copyable.
class PluginRegistry : public PluginSet {
 public:
  // Relative library paths of "ORU.ini" are taken below `program_dir` (ending in the
  // separator); the default is the running program's folder.
  PluginRegistry();
  explicit PluginRegistry(std::string program_dir);
  ~PluginRegistry() override;
  PluginRegistry(const PluginRegistry&) = delete;
  PluginRegistry& operator=(const PluginRegistry&) = delete;

  // Loads the storage plug-in and the parser plug-ins of `storage_type` as "ORU.ini" in
  // `work_dir` (ending in the separator) names them, caching each parser's extension filter in
  // "Extensions" when none is there. False, with the reason in Failure(), when the storage
  // plug-in or any parser the storage type names cannot be loaded (a configuration that
  // drops a type of file is no configuration to index with).
  bool Load(const std::string& work_dir, const std::string& storage_type) override;
  // The same for the parser plug-ins alone; false, with the reason in Failure(), when one of
  // them cannot be loaded or none is named.
  bool LoadParsers(const std::string& work_dir, const std::string& storage_type);
  // Unloads every plug-in and forgets the records.
  void Release() override;

  const StorageExports& Storage() const override { return storage_; }
  // The parser records, in priority order.
  const TTypedList<_TExtLib>& Parsers() const { return records_; }
  // The record that serves `file_name`: the first whose mask matches it; null when none does,
  // or when a bad mask ends the search before one matches.
  const _TExtLib* Match(const std::string& file_name) const override;
  // Why the last load failed.
  const platform::Status& Failure() const override { return failure_; }
  // The local file system's answer.
  EntryKind Entry(const std::string& path) const override;

 private:
  struct ParserPlugin {
    platform::Library library;
    ParserExports exports;
  };

  // The file a library path of "ORU.ini" names: an absolute path as given, a relative one
  // below program_dir_ (never the current folder); empty when program_dir_ is unknown.
  std::string PluginPath(const std::string& configured) const;
  bool LoadStorage(const std::string& config_path, const platform::ProfileFile& config,
                   const std::string& storage_type);
  // Registers the parsers of `storage_type`; false (with the reason) when none was.
  bool AddParsers(const std::string& config_path, platform::ProfileFile& config,
                  const std::string& storage_type);
  bool AddParserPlugin(const std::string& name, const std::string& library_path,
                       platform::ProfileFile& config);
  bool Fail(platform::Status status);

  std::string program_dir_;
  platform::Library storage_library_;
  StorageExports storage_;
  std::vector<std::unique_ptr<ParserPlugin>> parsers_;  // one per load, in load order
  TTypedList<_TExtLib> records_{true};
  platform::Status failure_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_PLUGIN_REGISTRY_H_
