// The walk of a pass: the job's folders through the storage plug-in, each file a parser serves
// checked against the stored files of an update (unchanged: passed over; changed: indexed
// again under its number) or numbered as a new file, recorded in the file index and handed on
// to be indexed.
#ifndef ORU_INDEXER_ENGINE_WALK_H_
#define ORU_INDEXER_ENGINE_WALK_H_

#include <cstdint>
#include <string>
#include <vector>

#include "indexer/engine/file_index.h"
#include "indexer/engine/file_numbers.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/stored_files.h"
#include "platform/codepage.h"
#include "platform/status.h"

namespace oru {

enum class WalkOutcome {
  kDone,     // every folder walked, or the walk stopped at the file-number limit
  kStopped,  // a Stop ended it
  kRestart,  // the update's reload failed: the walk starts again for a fresh index
  kFailed,   // a folder could not be walked or a file not recorded or indexed
};

// A file the walk hands on to be indexed.
struct WalkedFile {
  const _TExtLib* parser = nullptr;
  std::string path;
  uint32_t file_ref = 0;  // the path's hash << 16 | the file's number
  uint32_t size = 0;
  uint32_t time = 0;
};

class FolderWalk {
 public:
  // What the walk asks of the pass around it.
  class Host {
   public:
    virtual ~Host() = default;
    // Handles the window's messages (before each file and after each file indexed).
    virtual void Pump() = 0;
    // True once a Stop was asked for.
    virtual bool StopRequested() = 0;
    // Called before each file that is indexed: false when the update's reload turned out to
    // have failed (the walk then starts again for a fresh index). May wait for the reload.
    virtual bool ReadyToIndex() = 0;
    // True when ReadyToIndex would answer at once. While it is false the walk goes on over the
    // files that need no indexing, and holds those that do, numbered and recorded, to index
    // them in the order met as soon as it turns true (or at the end of the folder, or at a
    // Stop). The default: always.
    virtual bool ReadyToIndexNow() { return true; }
    // A file a parser serves, met before it is checked or numbered.
    virtual void Met(const std::string& path) = 0;
    // Indexes one file (parses it and posts its words); a failure ends the walk.
    virtual platform::Status Index(const WalkedFile& file) = 0;
    // Shows the walk's count and the file it is at.
    virtual void Progress(uint32_t count, const std::string& path) = 0;
  };

  // Walks with the storage plug-in and parsers of `plugins` and numbers at most `file_limit`
  // files. Both outlive the object.
  FolderWalk(const PluginSet* plugins, Host* host, uint16_t file_limit);

  // Prepares a walk that records new files in `file_index`, for a fresh index (`stored` null)
  // or an update of the files of `stored`, new files numbered after `highest_number`. Both
  // outlive the walk.
  void Start(FileIndexWriter* file_index, const StoredFiles* stored, uint16_t highest_number);
  // Whether the index records paths in UTF-8 (a UTF-8 index) rather than as the system names
  // them; the stored files of an update are compared in that form too.
  void RecordPathsInUtf8(bool utf8) { convert_paths_ = utf8 && !platform::kNativePathsAreUtf8; }
  // Walks `folders` in order; `*failure` tells why for kFailed.
  WalkOutcome Run(const std::vector<std::string>& folders, platform::Status* failure);

  // The highest file number given.
  uint16_t file_count() const { return file_count_; }
  // True when the walk met every file it would have: it ended kDone below the number limit.
  bool complete() const { return complete_; }
  bool limit_reached() const { return limit_reached_; }
  // The stored files the walk met, those it indexed again, and whether it numbered a file.
  const FileNumberSet& met() const { return met_; }
  const FileNumberSet& reindexed() const { return reindexed_; }
  bool numbered_new_file() const { return numbered_new_file_; }
  // The folder being walked, or last walked ("" before the first).
  const std::string& folder() const { return folder_; }

 private:
  WalkOutcome Scan(const std::string& folder, platform::Status* failure);
  // Indexes the files held, in the order met (waiting for ReadyToIndex): kDone, kRestart when
  // the reload failed, kFailed when a file could not be indexed.
  WalkOutcome IndexHeld(platform::Status* failure);
  // Says once, on standard error, that the file-number limit stopped the walk before `path`.
  void ReportFileLimit(const std::string& path);

  const PluginSet* plugins_;
  Host* host_;
  FileIndexWriter* file_index_ = nullptr;
  uint16_t file_limit_;
  const StoredFiles* stored_ = nullptr;
  uint16_t file_count_ = 0;
  bool complete_ = false;
  bool limit_reached_ = false;
  FileNumberSet met_;
  FileNumberSet reindexed_;
  bool numbered_new_file_ = false;
  bool convert_paths_ = false;  // the system's names differ from those the index records
  std::string folder_;
  std::vector<WalkedFile> held_;  // numbered and recorded, indexed once ReadyToIndex allows
};

// What an update's save forgets after a walk over `stored`: the stored files gone (when the
// walk was complete, those it did not meet), the files whose old postings go (those gone and
// those indexed again), and the highest number of a stored file kept.
struct ForgottenFiles {
  FileNumberSet gone;
  FileNumberSet forget;
  uint16_t highest_kept = 0;
};
ForgottenFiles Forgotten(const FolderWalk& walk, const StoredFiles& stored);

// True when a job entry that is not there names a file of a parser's type in a folder that is:
// a file deleted since the job was written, which yields nothing. Any other missing entry (an
// unplugged drive, a renamed folder) is a failure.
bool IsDeletedFileEntry(const std::string& entry, const PluginSet& plugins);
// A failure naming the first job entry that is neither a folder, nor a file, nor a deleted file
// of a parser's type.
platform::Status CheckJobFolders(const std::vector<std::string>& folders,
                                 const PluginSet& plugins);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WALK_H_
