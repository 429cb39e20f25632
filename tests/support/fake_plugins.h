// Plug-ins for engine tests, held in memory, so that a pass needs no library: a storage plug-in
// that walks a corpus of texts by path, and one parser, for "*.txt", that hands out the runs of
// letters and digits (and bytes above 127) of a text as words. One set is in use at a time: the
// plug-ins' entry points are plain functions, as a library's are.
#ifndef ORU_TESTS_SUPPORT_FAKE_PLUGINS_H_
#define ORU_TESTS_SUPPORT_FAKE_PLUGINS_H_

#include <cstdint>
#include <map>
#include <string>

#include "indexer/engine/plugin_registry.h"

namespace oru::testing {

class FakePlugins : public PluginSet {
 public:
  struct File {
    std::string text;
    uint32_t time = 0;  // packed, as the storage plug-in hands it out
    bool refused = false;  // the parser refuses it (damaged, encrypted)
    bool wide = false;     // the text is UTF-8, and its words are handed out in 16 bits
  };
  // The corpus by full path; a folder is any prefix of a path that ends in the separator.
  std::map<std::string, File> files;
  // False: Load fails, as for a configuration without the storage type.
  bool loads = true;

  FakePlugins();
  ~FakePlugins() override;

  bool Load(const std::string& work_dir, const std::string& storage_type) override;
  void Release() override {}
  const StorageExports& Storage() const override { return storage_; }
  const _TExtLib* Match(const std::string& file_name) const override;
  const platform::Status& Failure() const override { return failure_; }
  EntryKind Entry(const std::string& path) const override;

 private:
  StorageExports storage_;
  ParserExports parser_;
  _TExtLib text_;
  platform::Status failure_;
};

}  // namespace oru::testing

#endif  // ORU_TESTS_SUPPORT_FAKE_PLUGINS_H_
