// TIndexer: one indexing pass, from the job file to the saved index. Run reads as the pass
// goes: the job (job.h), the index folder and its records (index_folder.h), the plug-ins
// (plugin_registry.h), an update's stored files and dictionary (stored_files.h, reload.h), the
// walk (walk.h) with the words of each file (file_words.h) into the posting logs
// (posting_logs.h) and the file index (file_index.h), and the save (save.h). indexer.cc holds
// the run; guarded_parse.cc the parse of one file under the guard. docs/design.md tells the
// pass's deliberate behaviours and where each lives.
#ifndef ORU_INDEXER_ENGINE_INDEXER_H_
#define ORU_INDEXER_ENGINE_INDEXER_H_

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "indexer/engine/dictionary.h"
#include "indexer/engine/file_index.h"
#include "indexer/engine/file_numbers.h"
#include "indexer/engine/file_words.h"
#include "indexer/engine/index_folder.h"
#include "indexer/engine/job.h"
#include "indexer/engine/parse_ahead.h"
#include "indexer/engine/parse_guard.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/posting_logs.h"
#include "indexer/engine/reload.h"
#include "indexer/engine/run_codes.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/unread_files.h"
#include "indexer/engine/walk.h"
#include "indexer/engine/word_filter.h"
#include "platform/file_system.h"
#include "platform/folders.h"
#include "platform/mutex.h"
#include "platform/progress.h"
#include "platform/window_message.h"
#include "plugin-api/parser_plugin.h"

namespace oru {

// What a pass is given. Every path of the work folder ends in the separator.
struct PassSettings {
  std::string job_file;      // the program's argument
  std::string work_dir;      // holds "ORU.ini" and "storages.ini"
  std::string storages_dir;  // work_dir + "Storages" + separator: one folder per index
  // The program's folder: relative plug-in paths of "ORU.ini" are taken below it.
  std::string program_dir = platform::ProgramFolder();
  // The words the pass leaves out; unset (the default): "Stop.lst" in program_dir, read
  // through `disk` when the pass is made.
  std::optional<StopList> stop_words;
  // The encoding of an index made anew; unset (the default): [Options] IndexEncoding of
  // "ORU.ini" in work_dir, read through `disk`. An update keeps its index's encoding.
  std::optional<TextEncoding> encoding;
  // The highest file number the pass gives out (lowered only by tests).
  uint16_t file_limit = kMaxFileNumber;
  // The dictionary's text pool (lowered only by tests).
  size_t word_pool_size = kWordPoolSize;
  // Every file the pass reads or writes goes through this: the job file, "ORU.ini"'s options,
  // the index's files and records, the parse note, the list of unread files and the stop list.
  // (The plug-in registry loads "ORU.ini" and the plug-ins from the disk.)
  platform::FileSystem* disk = platform::RealFileSystem();
  // When set (the default), an update reads the parts and the word list on a second thread
  // while the walk goes on; the files it meets to index meanwhile are held (FolderWalk) and
  // indexed, in the order met, once the reload is done. The files written are those of reading them first: when the reload
  // fails, the walk starts again for a fresh index, as it would have from the start.
  bool reload_beside_walk = true;
  // Files are parsed on a second thread, one at a time and in the order met, while the walk's
  // thread enters the words of the files before them and walks on; without it (or without a
  // second thread) the walk's thread parses each file itself. The index is the same.
  bool parse_beside_walk = true;
  // The plug-ins of the pass; null (the default) loads them from "ORU.ini" in work_dir.
  // Outlives the pass.
  PluginSet* plugins = nullptr;
  // How long one file's parse may run before the run ends (kRunParseTimedOut); zero takes
  // [Options] ParseTimeLimit (seconds) of "ORU.ini", kDefaultParseTimeLimit without it.
  std::chrono::milliseconds parse_time_limit{0};
  // Looks up the search application's window, which hears the outcome (kIndexDoneMessage);
  // null (the default) asks the platform (WindowRef::Find, through the runtime folder on
  // POSIX). Tests that want no window give a lookup that finds none.
  std::function<platform::WindowRef()> find_search_window;
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

class TIndexer : private FolderWalk::Host {
 public:
  explicit TIndexer(PassSettings settings = {}, PassView view = {});
  ~TIndexer() override;
  TIndexer(const TIndexer&) = delete;
  TIndexer& operator=(const TIndexer&) = delete;

  // The whole pass over the job file. Returns kRunOk, kRunFailed, kRunConfigFailed,
  // kRunNoJobFile or kRunBadJob. A parse that runs past the time limit does not return: the
  // process ends with kRunParseTimedOut (see OnParseTimeout). Called once per object. Whatever
  // the result, the last complete index of the job's name stays in place unless the run put a
  // complete one in its stead; every result but kRunOk leaves its reason in Failure().
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
  uint16_t file_count() const { return walk_.file_count(); }
  int32_t words_found() const { return dictionary_->word_count(); }
  int32_t posting_count() const { return file_words_.posting_count(); }

 private:
  uint8_t RunPass();
  // Loads the plug-ins of the job's storage section; false (kRunConfigFailed) when that fails.
  bool LoadPlugins(const Job& job);
  // True for success; else keeps the first failure of the run (later ones are consequences)
  // and returns false, so that a step can end with `return Check(...)`.
  bool Check(platform::Status status);
  // The start of the index's files: an update's reload when the job asks for one and the index
  // is recorded complete, else a fresh index; then the file index and the posting logs.
  bool StartIndex(bool updating);
  // Starts an empty dictionary and file table: a fresh index.
  void StartFreshIndex();
  // The start of an update: the file index now, the parts and the word list beside the walk
  // (begun in RunPass; at once without reload_beside_walk or a second thread). False when the
  // file index or the reload failed already.
  bool BeginReload();
  // Reads the index's file index into stored_files_: a failure to read it, or whether it was
  // there and whole (missing or damaged: false, and the update becomes a fresh pass). `pump` is
  // called once per record.
  struct StoredFilesRead {
    platform::Status status;
    bool loaded = false;
  };
  StoredFilesRead ReadStoredFiles(const std::function<void()>& pump);
  // Waits for the reload begun beside the walk, keeping the window's messages going. True when
  // it succeeded (or none runs); when it failed, the run falls back to a fresh index (files
  // opened afresh, nothing of the reload kept) and it returns false: the walk starts again.
  bool FinishReload();
  bool OpenIndexFiles();
  bool CloseIndexFiles();
  // Walks the job's folders, again for a fresh index when an update's reload fails. False
  // when the walk failed.
  bool WalkFolders(const Job& job);
  // Ends a run that saves nothing: closes the index files and removes everything the run
  // wrote into the index folder, so the folder holds the last complete index as it was.
  void Abandon();
  // Saves the parts and the word list and puts them in place with the file index.
  bool SaveIndex();
  // Posts the outcome to the search application's window, when it was found.
  void Notify(int64_t wparam);
  void ProcessMessages();
  void Show(platform::Label* label, std::string_view text);

  // The walk's questions (FolderWalk::Host).
  void Pump() override { ProcessMessages(); }
  bool StopRequested() override { return stop_requested_; }
  bool ReadyToIndex() override { return FinishReload(); }
  bool ReadyToIndexNow() override {
    // A file to index is waiting: the reload's word table is worth filling.
    reload_.WantWordTable();
    return reload_.finished();
  }
  void Met(const std::string& path) override;
  platform::Status Index(const WalkedFile& file) override;
  void Progress(uint32_t count, const std::string& path) override;

  // The guard of the walk's parses (parse_guard.h, guarded_parse.cc): loads the index's list
  // of unread files, records as crashed the file a dead run's note names, and starts the note
  // and the watchdog. False (the run fails) when the list cannot be written or the note cannot
  // be made.
  bool StartParseGuard();
  // A file handed to be parsed, with its record in the list of unread files when it has one,
  // and whether it is passed over (no words): its parse ended an earlier run and it has not
  // changed since.
  struct Parsing {
    WalkedFile file;
    std::optional<UnreadFile> unread;
    bool pass_over = false;
  };
  Parsing PrepareParse(const WalkedFile& file);
  // Parses one file under the guard, handing its words to `sink`; true when the parser read
  // it. Runs on whichever thread parses.
  bool ParseGuarded(const WalkedFile& file, FoundWordsSink* sink);
  // Keeps the file's record in the list of unread files up to date once its parse ended.
  void RecordParse(const Parsing& parsing, bool parsed);
  // Posts the words of the file just entered (words_) to the logs.
  platform::Status PostWords();
  // Enters the words the parses beside the walk found so far, file by file in order, waiting
  // while more than `files_ahead` files are handed in and not yet entered. What a parse threw
  // is thrown here.
  platform::Status EnterParsed(size_t files_ahead);
  // The watchdog's handler: records `file` as timed out, says so on standard error and ends
  // the process with kRunParseTimedOut. Nothing was switched: the last complete index stays.
  [[noreturn]] void OnParseTimeout(const UnreadFile& file);
  // At the end of a walk that saved its index: drops the records of files the walk did not
  // meet (when it met them all) and writes the list when it changed.
  void SaveUnreadFiles();

  PassSettings settings_;
  PassView view_;
  bool stop_requested_ = false;
  bool save_partial_ = false;
  platform::Status failure_;

  // The plug-ins of the pass, loaded before anything in the index folder changes: those the
  // settings give, or the registry's.
  PluginRegistry registry_;
  PluginSet& plugins_;
  // The index folder, locked from before the run's first change to it until Run returns.
  std::unique_ptr<IndexFolder> folder_;
  // The index being built: words, the stored files of an update and what it reloaded, the
  // posting logs and the file index.
  std::unique_ptr<Dictionary> dictionary_;
  // The encoding of the index's words and paths, and a UTF-8 index's stop list.
  TextEncoding encoding_ = TextEncoding::kWindows1252;
  StopList utf8_stop_words_;
  FileWords file_words_;
  std::vector<_Dict> words_;  // the distinct words of the file being indexed
  // The parses beside the walk, and the files handed to them whose words did not all enter yet.
  ParseAhead ahead_;
  std::deque<Parsing> parsing_;
  StoredFiles stored_files_;
  // An update's ReadStoredFiles on a thread of its own, begun when the folder is locked, so
  // that the file index is read while the plug-ins load; BeginReload takes it. Until then the
  // thread alone touches stored_files_.
  std::future<StoredFilesRead> stored_files_read_;
  bool update_mode_ = false;
  ReloadedDictionary reloaded_;
  BackgroundReload reload_;
  std::unique_ptr<PostingLogs> logs_;
  std::unique_ptr<FileIndexWriter> file_index_;
  FolderWalk walk_;
  // What an update's save forgets (nothing for a fresh index).
  ForgottenFiles forgotten_;
  uint32_t read_since_ = 0;  // packed local time at which the run began
  platform::WindowRef window_;

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
