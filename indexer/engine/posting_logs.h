// The posting logs of a pass: one per part ("N.tf" in the index folder), where every word of
// every file indexed leaves one 8-byte posting (word hash, slot, file number, flags) in the
// order the files come. Saving turns each log into its part.
//
// An update extends the logs the reload rebuilt from the parts. A part laid out exactly as
// saving writes it needs no log unless the run adds to it: its log is put off, written from the
// part when its first posting comes or when saving needs it, and never when the part gains no
// word (saving then leaves the part as it is).
#ifndef ORU_INDEXER_ENGINE_POSTING_LOGS_H_
#define ORU_INDEXER_ENGINE_POSTING_LOGS_H_

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/index_format.h"
#include "indexer/engine/records.h"
#include "platform/file_system.h"
#include "platform/status.h"

namespace oru {

class PostingLogs {
 public:
  // `index_dir` ends in the separator; every file goes through `disk`, which outlives the object.
  PostingLogs(platform::FileSystem* disk, std::string index_dir);
  PostingLogs(const PostingLogs&) = delete;
  PostingLogs& operator=(const PostingLogs&) = delete;

  // Opens every log but those put off: created empty, or with `append` extended at its end.
  platform::Status Open(bool append);
  // Appends the posting of a word of the file being indexed (its entry holds the file's number
  // and flags). False when the log cannot take it; error() tells why.
  bool Append(const _Dict& word) {
    const int part = index_format::PartOf(word.Hash);
    BufferedFile* log = logs_[static_cast<size_t>(part)].get();
    if (log == nullptr || put_off(part)) return AppendFirst(word);
    uint8_t posting[index_format::kPostingSize];
    EncodePosting(word, posting);
    if (log->Append(posting, sizeof(posting))) return true;
    error_ = log->error();
    return false;
  }
  const platform::Status& error() const { return error_; }
  // Flushes and closes every open log.
  platform::Status Close();

  // Replaces log `part` with `postings` now (a reloaded part not laid out as saving writes it).
  platform::Status Replace(int part, const std::vector<uint8_t>& postings);
  // Puts off log `part`, whose part was reloaded with `words` words.
  void PutOff(int part, uint32_t words);
  bool put_off(int part) const { return put_off_.test(static_cast<size_t>(part)); }
  // The words part `part` held when it was reloaded (0 for a part not reloaded).
  uint32_t reloaded_words(int part) const { return reloaded_words_[static_cast<size_t>(part)]; }
  // Writes log `part`, when it is put off, from its part file. A failure when the part changed
  // since the reload, cannot be read, or the log cannot be written.
  platform::Status WritePutOff(int part);
  platform::Status WriteAllPutOff();
  // Forgets put-off log `part`: its part gained nothing and stays as it is; a log an earlier run
  // left has nothing to add either and goes.
  void DropPutOff(int part);
  // Forgets what the reload put off and the word counts (a reload that failed, or a pass that
  // ends without saving).
  void ForgetReload();

  std::string PathOf(int part) const;

 private:
  // The 8 bytes of a word's posting.
  static void EncodePosting(const _Dict& word, uint8_t* out);
  // Append for a log not open yet: one put off, or none at all.
  bool AppendFirst(const _Dict& word);

  platform::FileSystem* disk_;
  std::string dir_;
  std::array<std::unique_ptr<BufferedFile>, 64> logs_;
  std::bitset<64> put_off_;
  std::array<uint32_t, 64> reloaded_words_{};
  platform::Status error_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_POSTING_LOGS_H_
