// Folders that hold more files than one index can number are split over several indexes: the
// files the configured parsers take are counted with the storage plug-in's own walk (no
// parsing), and whole subfolders are handed to indexes so that each stays under the limit with
// room to grow.
#ifndef ORU_TOOLS_ORU_SPLIT_H_
#define ORU_TOOLS_ORU_SPLIT_H_

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

namespace oru::tool {

// The most files one index numbers; ORU_TEST_FILE_LIMIT lowers it for tests (Tamsel reads the
// same variable).
uint16_t FileLimit();
// How many files the splitting puts in one index at most: seven eighths of the limit, leaving
// room for the folders to grow before an update must add an index.
uint64_t SplitTarget(uint64_t limit);

// The counted files below one folder.
struct CountNode {
  uint64_t own = 0;    // files directly in the folder
  uint64_t total = 0;  // files in the folder and every folder below it
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

// A folder handed to an index whole, with every folder below it.
struct SplitUnit {
  std::string folder;
  uint64_t files = 0;
};

// Cuts `folder` (its node `node`) into units of at most `target` files: the folder itself when
// it fits or has no subfolder with files, else its subfolders, each cut in turn. The files
// directly in a folder that is cut cannot go into any index (a job names whole folders): such a
// folder is added to `left_out`, with its own files.
void CutIntoUnits(const CountNode& node, const std::string& folder, uint64_t target,
                  std::vector<SplitUnit>* units, std::vector<SplitUnit>* left_out);

// The units not inside any of `covered` below `folder`: every folder that is neither one of
// them, nor inside one, nor holding one, cut as by CutIntoUnits.
void UncoveredUnits(const CountNode& node, const std::string& folder,
                    const std::vector<std::string>& covered, uint64_t target,
                    std::vector<SplitUnit>* units, std::vector<SplitUnit>* left_out);

// Packs units, in their order, into bins of at most `target` files (a unit larger than that
// gets a bin of its own).
std::vector<std::vector<SplitUnit>> PackUnits(const std::vector<SplitUnit>& units,
                                              uint64_t target);

// True when `path` is `folder` or lies below it (both without a trailing separator).
bool IsWithin(const std::string& path, const std::string& folder);

}  // namespace oru::tool

#endif  // ORU_TOOLS_ORU_SPLIT_H_
