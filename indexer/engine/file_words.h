// The words of one file: a parser plug-in's words, converted to the code page, through the word
// filter into the dictionary. The distinct words of the file come back, in order of first
// sight, for the walk to post. Finding the words (the parse and the filter) and entering them
// are separate steps, so that one thread can find the words of a file while another enters
// those of the file before.
#ifndef ORU_INDEXER_ENGINE_FILE_WORDS_H_
#define ORU_INDEXER_ENGINE_FILE_WORDS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/records.h"
#include "indexer/engine/word_filter.h"
#include "indexer/engine/word_forms.h"
#include "platform/progress.h"
#include "plugin-api/parser_plugin.h"

namespace oru {

// A word the filter kept: normalised, cut to 31 bytes and zero-filled, with its table key.
struct FoundWord {
  uint64_t key;
  char text[Dictionary::kWordBytes];
};

// Receives the words found in a file, a batch at a time, in the parser's order.
class FoundWordsSink {
 public:
  virtual ~FoundWordsSink() = default;
  // Takes the words of `*words` and leaves it empty (its room may be swapped for other room).
  virtual void Take(std::vector<FoundWord>* words) = 0;
};

class FileWords {
 public:
  // Words handed to a sink at a time.
  static constexpr size_t kBatchWords = 2048;

  // Enters words into `dictionary`, leaving out `stop_words`; shows the dictionary's word
  // count in `words_found` (may be null) every thousand new words. All outlive the object.
  FileWords(Dictionary* dictionary, const StopList* stop_words, platform::Label* words_found);

  // Keeps words in `encoding` from now on (Windows-1252 until called); a UTF-8 index filters
  // with `utf8_stop_words` (Utf8StopList of the stop list), which outlives the object.
  void SetEncoding(TextEncoding encoding, const StopList* utf8_stop_words) {
    encoding_ = encoding;
    utf8_stop_words_ = utf8_stop_words;
  }

  // Parses `path` with `parser` (handing it `type_name`) and hands the words the filter keeps
  // to `sink`, in the parser's order, in batches of at most kBatchWords. The parse is always
  // ended. False when the parser refused the file or lacks its exports. What is thrown (memory
  // exhausted, or by the sink) goes to the caller once the parse is ended. Touches neither the
  // dictionary nor the counters: one thread may find words while another enters them.
  bool Find(const ParserExports& parser, const std::string& type_name, const std::string& path,
            FoundWordsSink* sink);
  // Enters found words under `file_ref` (its low 16 bits are the file's number) and `flags`,
  // adding the file's distinct words, at their first sight, to `*words`.
  void Enter(const std::vector<FoundWord>& found, uint32_t file_ref, uint16_t flags,
             std::vector<_Dict>* words);

  // A sink that enters each batch at once, under `file_ref` and `flags`, into `*words`: the
  // words of a file found and entered on one thread.
  class Entering : public FoundWordsSink {
   public:
    Entering(FileWords* file_words, uint32_t file_ref, uint16_t flags, std::vector<_Dict>* words)
        : file_words_(file_words), file_ref_(file_ref), flags_(flags), words_(words) {}
    void Take(std::vector<FoundWord>* found) override {
      file_words_->Enter(*found, file_ref_, flags_, words_);
      found->clear();
    }

   private:
    FileWords* file_words_;
    uint32_t file_ref_;
    uint16_t flags_;
    std::vector<_Dict>* words_;
  };

  // The postings (distinct word, file pairs) entered so far.
  int32_t posting_count() const { return posting_count_; }

 private:
  // Fetches words from `next_word` until one passes the word filter and leaves it normalised,
  // cut to 31 bytes and zero-filled, in the Dictionary::kWordBytes of `kept`; false at the end
  // of the words. In a UTF-8 index one parsed word may give several words: they are handed out
  // in turn.
  bool NextKeptWord(GetNextWordFn next_word, WordRecord* rec, char* kept);
  // Enters such a word into the dictionary and the counters, and into `words` at its first
  // sight in the file.
  void RecordWord(const char* normal, const Dictionary::Probe& probe, uint32_t file_ref,
                  uint16_t flags, std::vector<_Dict>* words);

  Dictionary* dictionary_;
  const StopList* stop_words_;
  platform::Label* words_found_;
  TextEncoding encoding_ = TextEncoding::kWindows1252;
  const StopList* utf8_stop_words_ = nullptr;
  Utf8WordForms forms_;  // the words of the last parsed word, in a UTF-8 index
  size_t next_form_ = 0;
  int32_t posting_count_ = 0;
  int32_t words_since_refresh_ = 0;
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_FILE_WORDS_H_
