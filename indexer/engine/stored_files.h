// The lookup of a reloaded file table by path hash: a file is matched against the
// few records that share its hash instead of the whole table, and the first matching record in
// file order still decides.
#ifndef ORU_INDEXER_ENGINE_STORED_FILES_H_
#define ORU_INDEXER_ENGINE_STORED_FILES_H_

#include <cstdint>
#include <string_view>
#include <vector>

#include "indexer/engine/records.h"
#include "indexer/engine/typed_list.h"

namespace oru {

class StoredFileLookup {
 public:
  // Indexes `files` by PathHash. The list must outlive the lookup and stay unchanged.
  void Build(const TTypedList<FileNode>& files);
  void Clear();
  // The first record, in file order, whose PathHash is `path_hash` and whose path equals `path`
  // after code-page lower-casing of both; null when there is none or nothing was built.
  const FileNode* Find(std::string_view path, uint16_t path_hash) const;

 private:
  const TTypedList<FileNode>* files_ = nullptr;
  std::vector<uint32_t> first_;  // per hash, where its records start in order_; two more at the end
  std::vector<uint32_t> order_;  // record indexes grouped by hash, in file order within a hash
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_STORED_FILES_H_
