// The files of the index an update starts from, as its file index lists them, and the update's
// question for each file the walk meets: unchanged (skipped), changed (indexed again under its
// number) or new.
#ifndef ORU_INDEXER_ENGINE_STORED_FILES_H_
#define ORU_INDEXER_ENGINE_STORED_FILES_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "indexer/engine/records.h"

namespace oru {

enum class StoredFileState { kUnchanged, kChanged, kNew };

// The lookup of a file table by path hash: a file is matched against the few records that
// share its hash instead of the whole table, and the first matching record in file order still
// decides.
class StoredFileLookup {
 public:
  // Indexes `files` by PathHash. The list must outlive the lookup and stay unchanged.
  void Build(const std::vector<FileNode>& files);
  void Clear();
  // The first record, in file order, whose PathHash is `path_hash` and whose path equals `path`
  // after code-page lower-casing of both; null when there is none or nothing was built. A walk
  // meets the files mostly in the order they were recorded: the record after the last one
  // found is tried first. Not for two threads at once.
  const FileNode* Find(std::string_view path, uint16_t path_hash) const;

 private:
  const std::vector<FileNode>* files_ = nullptr;
  // Whether a record found directly is the first of its path too: no path is recorded twice.
  bool paths_unique_ = true;
  mutable size_t next_ = 0;  // the record after the last one found
  std::vector<uint32_t> first_;  // per hash, where its records start in order_; two more at the end
  std::vector<uint32_t> order_;  // record indexes grouped by hash, in file order within a hash
};

class StoredFiles {
 public:
  // Reads the file index `bytes`, which the table keeps: one node per record, in file order,
  // calling `pump` once per record. False, with nothing kept, when it is empty or damaged: a
  // record shorter than its header or running past the end, a path longer than
  // FileNode::kMaxPath, or a number no file is given (0 and 0xFFFF).
  bool Load(std::string bytes, const std::function<void()>& pump);
  void Clear();
  bool empty() const { return files_.empty(); }
  const std::vector<FileNode>& files() const { return files_; }
  // The highest file number of the table (0 when empty).
  uint16_t highest_number() const { return highest_; }

  // The packed time at which the run that wrote the stored records began reading files (0 when
  // unknown: no record is then taken as racy).
  void set_read_since(uint32_t packed_time) { read_since_ = packed_time; }

  // Compares a file, with the size and time the storage plug-in has just handed out for it,
  // with its record (the first in file order whose path hash and path, lower-cased, match):
  // kNew without one; else `*stored` is set to the record (number and offset), and the state is
  // kUnchanged when size and time agree (unless the stored time is racy, see IsRacyTime), else
  // kChanged. What is thrown (memory exhausted) goes to the caller. The file system is not
  // asked again:
  // a file that changes between its listing and this check is seen at the next update.
  StoredFileState Check(std::string_view path, uint16_t path_hash, uint32_t size, uint32_t time,
                        const FileNode** stored) const;

 private:
  std::string bytes_;  // the file index the nodes' paths lie in
  std::vector<FileNode> files_;
  StoredFileLookup lookup_;
  uint16_t highest_ = 0;
  uint32_t read_since_ = 0;
};

// Seconds since 1980-01-01 of a packed MS-DOS date and time (whatever its time zone).
int64_t DosTimeSeconds(uint32_t packed);

// True when a file whose stored time is `stored` may have changed after it was read without a
// change of stored time: stored times count in 2-second steps, so an edit within the step in
// which a run read the file keeps the time. That can only be when the step ends after the run
// began reading (`read_since`, packed the same way). 0 for `read_since` means unknown: false.
bool IsRacyTime(uint32_t stored, uint32_t read_since);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_STORED_FILES_H_
