// Folders that hold more files than one index can number are split over several indexes: the
// files the configured parsers take are counted with the storage plug-in's own walk (no
// parsing), and whole subfolders are handed to indexes so that each stays under the limit with
// room to grow. The files directly in a folder that is split by its subfolders go to the
// indexes one by one: a job may name a single file where it names a folder.
#ifndef ORU_TOOLS_ORU_SPLIT_H_
#define ORU_TOOLS_ORU_SPLIT_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace oru::tool {

// How many files the splitting puts in one index at most: seven eighths of the limit, leaving
// room for the folders to grow before an update must add an index.
uint64_t SplitTarget(uint64_t limit);
// How many folders and files one job names at most. Tamsel reads a job's entries one key at a
// time, and on Windows the system's profile routines look each key up by a search of the
// section, so the entries cost their number squared: a few thousand read in a moment.
inline constexpr size_t kMaxJobEntries = 4096;

// The counted files below one folder.
struct CountNode {
  uint64_t own = 0;    // files directly in the folder
  uint64_t total = 0;  // files in the folder and every folder below it
  std::vector<std::string> own_files;  // the names of the files directly in it, in walk order
  std::map<std::string, std::unique_ptr<CountNode>> children;  // by folder name
};

// Counts the files below folders as a pass of Tamsel would find them: the walk of the storage
// plug-in configured for the storage type, the masks of its parser plug-ins, and the same
// limit on a path's length. Not copyable.
class FileCounter {
 public:
  FileCounter();
  ~FileCounter();
  FileCounter(const FileCounter&) = delete;
  FileCounter& operator=(const FileCounter&) = delete;

  // Loads the plug-ins of `storage_type` from the configuration in `work` (ending in the
  // separator). False when the storage plug-in or every parser plug-in fails to load.
  bool Load(const std::string& work, const std::string& storage_type);
  // Walks `folder` (absolute, without a trailing separator) and adds its files to the tree.
  void Count(const std::string& folder);

  // The node of `folder` (a counted folder or one below it), or null when no file was counted
  // there.
  const CountNode* Find(const std::string& folder) const;
  // True when the walk handed out `path` and a parser takes it.
  bool Counted(const std::string& path) const { return paths_.count(path) != 0; }

 private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
  std::map<std::string, CountNode> roots_;
  std::unordered_set<std::string> paths_;
};

// What a job names for an index: a folder whole, with every folder below it, or one file.
struct SplitUnit {
  std::string path;
  uint64_t files = 0;
};

// Cuts `folder` (its node `node`) into units of at most `target` files: the folder itself when
// it fits or has no subfolder with files, else each file directly in it, then its subfolders,
// each cut in turn.
void CutIntoUnits(const CountNode& node, const std::string& folder, uint64_t target,
                  std::vector<SplitUnit>* units);

// The units not inside any of `covered` (folders and files) below `folder`: every folder that
// is neither one of them, nor inside one, nor holding one, cut as by CutIntoUnits, and every
// file directly in a folder holding one that is not itself covered.
void UncoveredUnits(const CountNode& node, const std::string& folder,
                    const std::vector<std::string>& covered, uint64_t target,
                    std::vector<SplitUnit>* units);

// Packs units, in their order, into bins of at most `target` files and kMaxJobEntries units
// (a unit larger than `target` gets a bin of its own).
std::vector<std::vector<SplitUnit>> PackUnits(const std::vector<SplitUnit>& units,
                                              uint64_t target);

// True when `path` is `folder` or lies below it (both without a trailing separator).
bool IsWithin(const std::string& path, const std::string& folder);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_SPLIT_H_
