// "storages.ini" in the work folder records under [Indexed] the state of each index by name:
// "1" when its folder holds a complete index, "0" while a run puts new files in place (a mix of
// old and new files is no index), nothing before its first complete save. Only an index
// recorded "1" is reloaded for an update or searched without asking.
#ifndef ORU_INDEXER_ENGINE_INDEX_RECORDS_H_
#define ORU_INDEXER_ENGINE_INDEX_RECORDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "indexer/engine/word_forms.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class IndexRecords {
 public:
  // `work_dir` ends in the separator; the lock and every write go through `fs`, which outlives
  // the object.
  explicit IndexRecords(std::string work_dir,
                        platform::FileSystem* fs = platform::RealFileSystem());

  // The value recorded for `name` ("" for none).
  std::string Read(const std::string& name) const;
  // Every name with a record.
  std::vector<std::string> Names() const;
  // Records `value` for `name`.
  platform::Status Write(const std::string& name, const char* value);
  // The packed local time at which the run that wrote the index `name` began reading files
  // (see IsRacyTime); 0 when none is recorded.
  uint32_t ReadSince(const std::string& name) const;
  // The highest file number the index `name` has given since it was made, when files with the
  // highest numbers are gone from it (numbers are not given twice); 0 when none is recorded.
  uint16_t HighestFileNumber(const std::string& name) const;
  // The encoding of the words and paths of the index `name`: recorded under [Encoding] as
  // "UTF-8"; an index without that record (every index made before UTF-8 indexes were) is
  // Windows-1252.
  TextEncoding Encoding(const std::string& name) const;
  // Records for `name` the time its files began to be read, the highest number and the
  // encoding (0 and Windows-1252 remove their records, so that an index without them keeps
  // the records it always had), then `indexed` under [Indexed] unless it is null: in one
  // change of the file, which a save makes once rather than one write per record.
  platform::Status WriteSaved(const std::string& name, uint32_t read_since, uint16_t highest,
                              TextEncoding encoding, const char* indexed);
  // Removes the records of `name` (an index that is gone); success also when there are none.
  platform::Status Remove(const std::string& name);

 private:
  // Runs `change` on the file under the lock beside it: other runs record their own indexes
  // in the same file, and no record of theirs may be lost.
  template <typename Change>
  platform::Status Locked(Change change);
  // A number recorded under `section` for `name`: 0 when none is, or when it is not a number
  // of at most `highest`.
  uint64_t ReadNumber(const char* section, const std::string& name, uint64_t highest) const;

  std::string path_;
  platform::FileSystem* fs_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_INDEX_RECORDS_H_
