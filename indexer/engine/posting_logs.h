// The posting logs of a pass: one per part ("N.tf" in the index folder), where every word of
// every file the run indexes leaves one 8-byte posting (word hash, slot, file number, flags) in
// the order the files come. Saving merges each log into its part.
//
// A fresh index creates every log at the start. An update creates a log when its first posting
// comes, so that an update that indexes nothing writes nothing; its logs hold this run's
// postings only (the old ones stay in the parts until saving merges them).
#ifndef ORU_INDEXER_ENGINE_POSTING_LOGS_H_
#define ORU_INDEXER_ENGINE_POSTING_LOGS_H_

#include <array>
#include <bitset>
#include <cstdint>
#include <memory>
#include <string>

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

  // Creates every log now, empty, or (`lazily`) each one when its first posting comes.
  platform::Status Open(bool lazily);
  // Appends the posting of a word of the file being indexed (its entry holds the file's number
  // and flags). False when the log cannot take it; error() tells why.
  bool Append(const _Dict& word) {
    const auto part = static_cast<size_t>(index_format::PartOf(word.Hash));
    if (!created_.test(part)) return AppendFirst(word);
    uint8_t posting[index_format::kPostingSize];
    EncodePosting(word, posting);
    if (logs_[part]->Append(posting, sizeof(posting))) return true;
    error_ = logs_[part]->error();
    return false;
  }
  const platform::Status& error() const { return error_; }
  // Flushes and closes every log created.
  platform::Status Close();

  std::string PathOf(int part) const;

 private:
  // The 8 bytes of a word's posting.
  static void EncodePosting(const _Dict& word, uint8_t* out);
  // Append to a log not created yet.
  bool AppendFirst(const _Dict& word);
  platform::Status Create(int part);

  platform::FileSystem* disk_;
  std::string dir_;
  std::array<std::unique_ptr<BufferedFile>, index_format::kPartCount> logs_;
  std::bitset<index_format::kPartCount> created_;
  bool open_ = false;
  platform::Status error_;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_POSTING_LOGS_H_
