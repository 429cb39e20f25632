// TIndexer: one indexing pass, from the job file to the saved index. It runs the pass as a
// short sequence of calls on the units beside it: the plug-in registry (plugin_registry.h),
// the walk (scan.cc), the words loop (words.cc) through the word filter (word_filter.h) into
// the dictionary (dictionary.h), the posting logs (posting_logs.h), the file index
// (file_index.h), the reload of an update (stored_files.h, reload.h), the save (save.h,
// index_switch.h) and the record of the index's state (index_records.h). indexer.cc holds the
// run itself; docs/design.md tells the pass's deliberate behaviours and where each lives.
#ifndef ORU_INDEXER_ENGINE_INDEXER_H_
#define ORU_INDEXER_ENGINE_INDEXER_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "indexer/engine/file_index.h"
#include "indexer/engine/file_numbers.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/parse_guard.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "indexer/engine/run_codes.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/unread_files.h"
#include "indexer/engine/word_filter.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/mutex.h"
#include "platform/progress.h"
#include "platform/window_message.h"
#include "plugin-api/parser_plugin.h"

namespace oru {

// Status codes of IndexFolderScan.
inline constexpr int kScanOk = 0;
inline constexpr int kScanFailed = 2;
inline constexpr int kScanRefused = 11;
// The reload turned out to have failed: the walk starts again for a fresh index.
inline constexpr int kScanRestart = 3;

// What a pass is given. Every path of the work folder ends in the separator.
struct PassSettings {
  std::string job_file;      // the program's argument
  std::string work_dir;      // holds "ORU.ini" and "storages.ini"
  std::string storages_dir;  // work_dir + "Storages" + separator: one folder per index
  // The program's folder: relative plug-in paths of "ORU.ini" are taken below it.
  std::string program_dir = platform::ProgramFolder();
  // The words the pass leaves out.
  StopList stop_words = StopList::BesideProgram();
  // The highest file number the pass gives out (lowered only by tests).
  uint16_t file_limit = kMaxFileNumber;
  // The dictionary's text pool (lowered only by tests).
  size_t word_pool_size = kWordPoolSize;
  // Every file the engine creates, writes, syncs, renames or deletes goes through this.
  platform::FileSystem* disk = platform::RealFileSystem();
  // When set (the default), an update reads the parts and the word list on a second thread
  // while the walk passes over unchanged files; the walk waits for it before the first file it
  // indexes and at its end. The files written are those of reading them first: when the reload
  // fails, the walk starts again for a fresh index, as it would have from the start.
  bool reload_beside_walk = true;
  // How long one file's parse may run before the run ends (kRunParseTimedOut); zero takes
  // [Options] ParseTimeLimit (seconds) of "ORU.ini", kDefaultParseTimeLimit without it.
  std::chrono::milliseconds parse_time_limit{0};
};

// The time a parse of one file may take unless "ORU.ini" says otherwise: far beyond what a
// real document takes on a slow disk, so that only a parser caught in a loop reaches it.
inline constexpr std::chrono::seconds kDefaultParseTimeLimit{60};

// What the window shows of a pass, and its message pump; any of them may be null.
struct PassView {
  platform::Label* current_file = nullptr;
  platform::Label* files_indexed = nullptr;
  platform::Label* words_found = nullptr;
  platform::ProgressBar* saving_bar = nullptr;
  // Called between units of work, so that the window stays answered (and Stop is seen).
  platform::MessagePump* pump = nullptr;
};

class TIndexer {
 public:
  explicit TIndexer(PassSettings settings = {}, PassView view = {});
  ~TIndexer();
  TIndexer(const TIndexer&) = delete;
  TIndexer& operator=(const TIndexer&) = delete;

  // The whole pass over the job file. Returns kRunOk, kRunFailed, kRunConfigFailed,
  // kRunNoJobFile or kRunBadJob. A parse that runs past the time limit does not return: the
  // process ends with kRunParseTimedOut (see OnParseTimeout). Called once per object. Whatever the result, the last
  // complete index of the job's name stays in place unless the run put a complete one in its
  // stead; every result but kRunOk leaves its reason in Failure().
  uint8_t Run();
  // Asks the running pass to stop at the next file (called from the window's messages, which
  // the pass handles itself). With `save`, what was indexed so far is saved as the index.
  void RequestStop(bool save) {
    stop_requested_ = true;
    save_partial_ = save;
  }
  // Why the run failed: the first failure it met, with the operation, the path and the
  // system's reason. Success while nothing failed.
  const platform::Status& Failure() const { return failure_; }

  // Figures of the pass: the highest file number given, the distinct words, the postings.
  uint16_t file_count() const { return file_count_; }
  int32_t words_found() const { return dictionary_->word_count(); }
  int32_t posting_count() const { return posting_count_; }
  const Dictionary& dictionary() const { return *dictionary_; }
  // The distinct words ExtractWords found in the last file, in order of first sight.
  const std::vector<_Dict>& file_words() const { return file_words_; }

  // Parses `file_name` with `parser` (handing it `type_name`) and enters the words the filter
  // keeps into the dictionary; file_words() then lists them. The parse is always ended.
  // False when the parser refused the file (or lacks its exports): no words.
  bool ExtractWords(const ParserExports& parser, const std::string& type_name,
                    const std::string& file_name, uint32_t file_ref, uint16_t flags);

 private:
  uint8_t RunPass();
  int IndexFolderScan(const std::string& folder);
  // True when a job entry that is not there names a file of a parser's type in a folder that
  // is: a file deleted since the job was written, which yields nothing. Any other missing
  // entry (an unplugged drive, a renamed folder) fails the run.
  bool IsDeletedFileEntry(const std::string& entry) const;
  // Fails the run, before anything in the index folder changes, when a job entry is neither a
  // folder, nor a file, nor a deleted file of a parser's type.
  bool CheckJobFolders(const std::vector<std::string>& folders);
  // Keeps the first failure of the run; later ones are consequences. Returns false, so that a
  // failing step can end with `return Fail(...)`.
  bool Fail(platform::Status status);
  // The same for a failed write to the file index or a posting log, which ends the walk.
  bool FailWrite(platform::Status status) {
    write_failed_ = true;
    return Fail(std::move(status));
  }
  // Ends a run that saves nothing: closes the index files and removes everything the run
  // wrote into the index folder, so the folder holds the last complete index as it was.
  void Abandon();
  // Saves the parts and the word list and puts them in place with the file index.
  bool SaveIndex();
  // Puts the new versions in place between "0" and "1" in "storages.ini" (when the run named
  // the index), restoring the record when the switch had to be undone.
  bool SwitchIndex();
  // Posts the outcome to the search application's window, when it was found.
  void Notify(int64_t wparam);
  // Records the index's state (index_records.h); false when the write was refused.
  bool RecordIndexed(const char* value);
  void ProcessMessages();
  void Show(platform::Label* label, std::string_view text);
  // Shows the figures the walk ended with: the files the index holds (file_count_) and the
  // distinct words. During the walk the labels lag: the file count is shown before a file is
  // numbered, the word count every thousand new words.
  void ShowFinalFigures();
  void StepProgress();
  // Starts the file index and the posting logs (an update's are created as they are needed).
  bool OpenIndexFiles();
  bool CloseIndexFiles();
  // Starts an empty dictionary and file table: a fresh index.
  void StartFreshIndex();
  // The start of an update: the file index now, the parts and the word list beside the walk
  // (or at once, without reload_beside_walk). False when the reload failed already.
  bool BeginReload();
  // Waits for the reload begun beside the walk, keeping the window's messages going. True when
  // it succeeded (or none runs); when it failed, the run falls back to a fresh index (files
  // opened afresh, nothing of the reload kept) and it returns false: the walk starts again.
  bool FinishReload();
  // At the end of an update's walk: what saving forgets. The old postings of the files indexed
  // again go, and, when the walk met every file it would have (`walk_complete`), the postings
  // and records of the stored files it did not meet.
  void NoteForgottenFiles(bool walk_complete);
  // The highest file number "storages.ini" keeps for the index after this run: the highest
  // given, when the file index will not show it (its files are gone); else 0.
  uint16_t HighestNumberToRecord() const;
  // Says once per pass, on standard error, that the file-number limit stopped the walk before
  // `path` (a file that would have needed a new number).
  void ReportFileLimit(const std::string& path);
  // The guard of the walk's parses (parse_guard.h): loads the index's list of unread files,
  // records as crashed the file a dead run's note names, and starts the note and the watchdog.
  // False (the run fails) when the list cannot be written or the note cannot be made.
  bool StartParseGuard();
  // Parses one file of the walk under the guard, or passes it over when its parse ended an
  // earlier run and it has not changed since; keeps its record in the list up to date.
  void ParseGuarded(const _TExtLib& parser, const std::string& path, uint32_t file_ref,
                    uint32_t size, uint32_t time);
  // The watchdog's handler: records `file` as timed out, says so on standard error and ends
  // the process with kRunParseTimedOut. Nothing was switched: the last complete index stays.
  [[noreturn]] void OnParseTimeout(const UnreadFile& file);
  // At the end of a walk that saved its index: drops the records of files the walk did not
  // meet (when it met them all) and writes the list when it changed.
  void SaveUnreadFiles();
  // The words loop (words.cc). NextKeptWord fetches words from `next_word` until one passes
  // the word filter and leaves it normalised, cut to 31 bytes and zero-filled, in the 128-byte
  // `normal`; false at the end of the words. RecordWord enters such a word into the
  // dictionary, the counters and file_words_.
  bool NextKeptWord(GetNextWordFn next_word, WordRecord* rec, char* normal);
  void RecordWord(const char* normal, const Dictionary::Probe& probe, uint32_t file_ref,
                  uint16_t flags);

  PassSettings settings_;
  PassView view_;
  bool stop_requested_ = false;
  bool save_partial_ = false;

  std::unique_ptr<Dictionary> dictionary_;
  std::vector<_Dict> file_words_;
  StoredFiles stored_files_;
  std::unique_ptr<PostingLogs> logs_;
  std::unique_ptr<FileIndexWriter> file_index_;
  // The new versions of the index files, and where they go.
  std::unique_ptr<IndexSwitch> pending_;
  // What the update reloaded (nothing for a fresh index).
  ReloadedDictionary reloaded_;
  // An update's stored files: those the walk met, those it indexed again, those gone, and
  // those whose old postings saving leaves out (the last two).
  FileNumberSet met_;
  FileNumberSet reindexed_;
  FileNumberSet gone_;
  FileNumberSet forget_;
  // The highest number among the stored files that are not gone.
  uint16_t highest_kept_ = 0;
  // Set when the walk numbered a new file.
  bool numbered_new_file_ = false;
  // The highest file number "storages.ini" kept for the index before the run (0 for none).
  uint16_t highest_recorded_ = 0;

  std::string index_dir_;
  std::string current_storage_dir_;
  bool update_mode_ = false;
  uint32_t read_since_ = 0;  // packed local time at which the run began
  uint16_t file_count_ = 0;
  int32_t posting_count_ = 0;
  int32_t words_since_refresh_ = 0;

  // The plug-ins of the pass, loaded before anything in the index folder changes.
  PluginRegistry plugins_;
  // Set when a write to the file index or a posting log failed: the run ends with kRunFailed.
  bool write_failed_ = false;
  // Set once the file-number limit has stopped the walk: later folder scans ask for no file.
  bool file_limit_reached_ = false;
  platform::Status failure_;
  // The job's index name and its record before the run ("" for none); empty when no run set it.
  std::string index_name_;
  std::string recorded_before_;
  // Held from before the run's first change to the index folder until Run returns.
  platform::FolderLock index_lock_;
  platform::WindowRef window_;

  // The reload beside the walk (BeginReload, FinishReload).
  BackgroundReload reload_;

  // The files of the index no parser read, the files of that list the walk met, the list's
  // path, the parse note and watchdog, and the time limit of one parse.
  UnreadFiles unread_;
  std::unordered_set<std::string> unread_seen_;
  std::string unread_path_;
  ParseGuard guard_;
  std::chrono::milliseconds parse_time_limit_{kDefaultParseTimeLimit};
};

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_INDEXER_H_
