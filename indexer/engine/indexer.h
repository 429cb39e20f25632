// TIndexer: the engine object, holding all state of one indexing pass, and its operations.
// The operations are defined in one file per concern: the run (indexer.cc), per-file indexing
// (scan.cc), the words loop (words.cc), the dictionary (dictionary.cc), saving (save.cc) and
// reloading (reload.cc). The plug-ins come from its PluginRegistry (plugin_registry.h), and the
// words pass its word filter (word_filter.h).
//
// The object holds its 10 MiB word pool and the slot table inline: create it on the heap
// (with new, which gives it zero-filled memory).
#ifndef ORU_INDEXER_ENGINE_INDEXER_H_
#define ORU_INDEXER_ENGINE_INDEXER_H_

#include <array>
#include <atomic>
#include <bitset>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "indexer/engine/buffered_file.h"
#include "indexer/engine/index_switch.h"
#include "indexer/engine/plugin_registry.h"
#include "indexer/engine/records.h"
#include "indexer/engine/run_codes.h"
#include "indexer/engine/stored_files.h"
#include "indexer/engine/typed_list.h"
#include "indexer/engine/word_cache.h"
#include "indexer/engine/word_filter.h"
#include "platform/dynlib.h"
#include "platform/file_system.h"
#include "platform/ini.h"
#include "platform/mutex.h"
#include "platform/progress.h"
#include "platform/window_message.h"
#include "plugin-api/parser_plugin.h"
#include "plugin-api/storage_plugin.h"

namespace oru {

// Status codes of IndexFolderScan.
inline constexpr int kScanOk = 0;
inline constexpr int kScanFailed = 2;
inline constexpr int kScanRefused = 11;
// The reload turned out to have failed: the walk starts again for a fresh index.
inline constexpr int kScanRestart = 3;

inline constexpr size_t kWordPoolSize = 10485760;
inline constexpr int kHashCount = 65536;
inline constexpr uint16_t kNoSlot = 0xFFFF;
inline constexpr uint16_t kNoFile = 0xFFFF;
inline constexpr int kProgressSteps = 65;

enum class AddWordOutcome { NewEntry, FirstInFile, FlagsMerged, AlreadyRecorded };
enum class StoredFileState { kUnchanged, kChanged, kNew };

class TIndexer {
 public:
  TIndexer();
  ~TIndexer();
  TIndexer(const TIndexer&) = delete;
  TIndexer& operator=(const TIndexer&) = delete;
  // The object comes from memory handed out zero-filled, so the word pool starts as zeros
  // without the constructor touching (and faulting in) its 10 MiB.
  static void* operator new(size_t size);
  static void operator delete(void* object);

  // The whole pass over the job file at ConfigPath. Returns kRunOk, kRunFailed,
  // kRunConfigFailed, kRunNoJobFile or kRunBadJob. Called once per object. Whatever the result,
  // the last complete index of the job's name stays in place unless the run put a complete one
  // in its stead; every result but kRunOk leaves its reason in Failure().
  uint8_t Run();
  // Why the run failed: the first failure it met, with the operation, the path and the
  // system's reason. Success while nothing failed.
  const platform::Status& Failure() const { return failure_; }

  // The words the pass leaves out; "Stop.lst" beside the program unless set.
  void SetStopList(StopList stop_words) { stop_words_ = std::move(stop_words); }

  // --- Per-file indexing ---
  int IndexFolderScan(const std::string& folder);
  // Appends the file's record to IndexStream; false when the write failed.
  bool WriteFileRecord(std::string_view path, uint16_t number, uint16_t path_hash, uint32_t size,
                       uint32_t time);

  // --- Words and dictionary ---
  // Parses `file_name` with `parser` (handing it `type_name`) and enters the words the filter
  // keeps into the dictionary and FileWords. The parse is always ended.
  void ExtractWords(const ParserExports& parser, const std::string& type_name,
                    const std::string& file_name, uint32_t file_ref, uint16_t flags);
  AddWordOutcome AddWord(uint16_t hash, const char* word, uint32_t file_ref, uint16_t flags,
                         int32_t* slot);
  int32_t FindWord(uint16_t hash, const char* word) const;
  int32_t InsertWord(uint16_t hash, const char* word, uint32_t file_ref, uint16_t flags);
  int TouchWord(uint16_t hash, int32_t slot, uint32_t file_ref, uint16_t flags);
  // The text of an entry (empty for one without text).
  std::string_view WordText(const _Form& form) const;

  // --- Index files ---
  // Writes the parts and the word list beside the old ones (IndexSwitch), then puts them in
  // place together with a new file index when the run wrote one. False when any of them could
  // not be written or put in place; the old files are then as they were.
  bool SaveIndex();
  // Turns posting log p into the new version of part p; false when the part could not be
  // built or written.
  bool MergePart(int part);
  // Writes the new version of the word list into `index_dir`: 0 on success, 2 when writing
  // failed.
  int WriteWordList(const std::string& index_dir);

  // --- Update (reload) ---
  // Brings the saved index of IndexDir back: StoredFiles, FileCount (the highest number), the
  // dictionary with every word's hash, slot and text, HashSlots, WordsFound, and the 64 posting
  // logs rebuilt from the parts. False on any failure; the caller then starts a fresh index
  // (ResetDictionary), whose new logs replace those already rebuilt.
  bool ReloadIndex();
  // The part of ReloadIndex after the file index: the parts and the word list. False on any
  // failure; the caller then drops what was reloaded (see ReloadIndex).
  bool ReloadDictionary();
  // Reads the file index at `path` into StoredFiles (one node per record, in file order) and
  // sets FileCount. False when it is missing, empty or damaged.
  bool LoadStoredFiles(const std::string& path);
  // Appends the words of part `part` to the dictionary and rewrites its posting log with their
  // postings. False when the part is missing, empty or damaged. A part laid out exactly as
  // MergePart writes it has its log written later, only if the run needs it: merging those
  // postings again would give the same bytes, so an update that adds nothing to the part
  // leaves it as it is (see WriteDeferredLog).
  bool LoadPart(int part);
  // Writes the posting log of a reloaded part whose log was put off, from the part file as
  // LoadPart read it. True when there is nothing to write; false when the part changed since
  // the reload or the log could not be written.
  bool WriteDeferredLog(int part);
  // The same for every part, so that the folder holds all 64 logs.
  bool WriteDeferredLogs();
  // Reads the word list at `path` into WordFileBuffer (one zero byte behind it) and
  // WordFileSize. False when it is missing, empty or unreadable.
  bool LoadWordFile(const std::string& path);
  // Copies each word of WordFileBuffer into the pool as the text of its entry. False when a
  // record is damaged, names a word the parts did not create, the pool is full, or a reloaded
  // word is left without text.
  bool RestoreWordTexts();
  // Appends an entry without text, LastFile 0xFFFF and Flags 0 to bucket `hash`. Returns its
  // slot, or -1 when the bucket is full (slot 0xFFFF would read as empty).
  int32_t AppendEmptyWord(uint16_t hash);
  // Compares a file, with the size and time the storage plug-in has just handed out for it,
  // with its record in StoredFiles (found as StoredFileLookup finds it): kNew without one;
  // kUnchanged when size and time agree, or on any failure; else kChanged, with `*stored` set
  // to the record (number and offset). The file system is not asked again: a file that changes
  // between its listing and this check is seen at the next update.
  StoredFileState CheckStoredFile(std::string_view path, uint16_t path_hash, uint32_t size,
                                  uint32_t time, const FileNode** stored);
  // Rewrites size and time in the stored file's record of IndexStream, in place; false
  // when the write failed.
  bool RewriteFileStamp(const FileNode& stored, uint32_t size, uint32_t time);

  // Resets the dictionary and counters to an empty index.
  void ResetDictionary();
  // The words of the dictionary whose hash falls in part `part`.
  uint32_t PartWordCount(int part) const;

  // ---- Fields, in declaration order ----
  char WordPool[kWordPoolSize];
  std::unique_ptr<TTypedList<BufferedFile>> TfStreams;
  uint16_t HashSlots[kHashCount];
  std::unique_ptr<TTypedList<_Form>[]> WordBuckets;
  std::unique_ptr<BufferedFile> IndexStream;
  uint16_t FileCount = 0;
  std::unique_ptr<TTypedList<_Dict>> FileWords;
  int32_t WordsFound = 0;
  int32_t WordsSinceRefresh = 0;
  int32_t PostingCount = 0;
  std::unique_ptr<platform::File> FnxStream;
  bool UpdateMode = false;
  std::unique_ptr<TTypedList<FileNode>> StoredFiles;
  std::unique_ptr<uint8_t[]> WordFileBuffer;
  int32_t WordFileSize = 0;
  platform::Label* CurrentFileLabel = nullptr;
  platform::Label* FilesIndexedLabel = nullptr;
  platform::Label* WordsFoundLabel = nullptr;
  platform::ProgressBar* ProgressBar = nullptr;
  bool StopRequested = false;
  bool SavePartial = false;
  std::string WorkDir;      // ends in the separator
  std::string StoragesDir;  // WorkDir + "Storages" + separator
  bool RunFinished = false;
  // The highest file number the pass gives out: kMaxFileNumber, lowered only by tests.
  uint16_t FileLimit = kMaxFileNumber;

  // Engine-wide values of the pass.
  std::string IndexDir;
  // Every file the engine creates, writes, syncs, renames or deletes goes through this.
  platform::FileSystem* Disk = platform::RealFileSystem();
  uint32_t WordPoolCursor = 0;  // offset of the next free byte of WordPool
  uint32_t WordPoolEnd = kWordPoolSize;
  std::string ConfigPath;  // the job file
  std::string CurrentStorageDir;
  // The window's event pump; the pass calls it between units of work. May stay null.
  platform::MessagePump* Pump = nullptr;

  // When set (the default), an update reads the parts and the word list on a second thread
  // while the walk passes over unchanged files; the walk waits for it before the first file it
  // indexes and at its end. The files written are those of reading them first: when the reload
  // fails, the walk starts again for a fresh index, as it would have from the start.
  bool ReloadBesideWalk = true;

 private:
  uint8_t RunPass();
  // Keeps the first failure of the run; later ones are consequences. Returns false, so that a
  // failing step can end with `return Fail(...)`.
  bool Fail(platform::Status status);
  // The same for a failed write to the file index or a posting log, which ends the walk.
  bool FailWrite(platform::Status status) {
    write_failed_ = true;
    return Fail(std::move(status));
  }
  // Ends a run that saves nothing: closes the index files and removes everything the run
  // wrote into IndexDir, so the folder holds the last complete index as it was.
  void Abandon();
  // Puts the new versions in place between "0" and "1" in "storages.ini" (when the run named
  // the index), restoring the record when the switch had to be undone.
  bool SwitchIndex();
  // The value "storages.ini" holds for `name` in "Indexed" ("" when none).
  std::string ReadIndexed(const std::string& name);
  // Posts the outcome to the search application's window, when it was found.
  void Notify(int64_t wparam);
  // Records the index's state in "storages.ini"; false when the write was refused.
  bool RecordIndexed(const std::string& name, const char* value);
  void ProcessMessages();
  void Show(platform::Label* label, std::string_view text);
  void StepProgress();
  // Opens the file index and, unless a reload still runs, the posting logs.
  bool OpenIndexFiles();
  // Opens the posting logs, but those the reload put off.
  bool OpenPostingLogs();
  // In an update, opens IndexStream on a new copy of the file index, once.
  bool OpenFileIndexCopy();
  bool CloseIndexFiles();
  // The start of an update: the file index now, the parts and the word list beside the walk
  // (or at once, without ReloadBesideWalk). False when the reload failed already.
  bool BeginReload();
  // Waits for the reload begun beside the walk, keeping the window's messages going. True when
  // it succeeded (or none runs); when it failed, the run falls back to a fresh index (files
  // opened afresh, nothing of the reload kept) and it returns false: the walk starts again.
  bool FinishReload();
  // Waits for the reload thread to end; no messages, no fallback.
  void JoinReload();
  // The first part of ReloadIndex: the file index into StoredFiles; false (with nothing
  // kept) when it failed.
  bool ReloadFileTable();
  // Forgets the file table and what the reload put off, after a failed reload.
  void DropReload();
  bool AppendPosting(const _Dict& word, const _Form& entry);
  // Says once per pass, on standard error, that the file-number limit stopped the walk before
  // `path` (a file that would have needed a new number).
  void ReportFileLimit(const std::string& path);
  // The words loop (words.cc). NextKeptWord fetches words from `next_word` until one passes
  // the word filter and leaves it normalised, cut to 31 bytes and zero-filled, in the 128-byte
  // `normal`; false at the end of the words. RecordWord enters such a word into the
  // dictionary, the counters and FileWords.
  bool NextKeptWord(GetNextWordFn next_word, WordRecord* rec, char* normal);
  void RecordWord(const char* normal, uint64_t key, const WordCache::Entry* cached,
                  uint32_t file_ref, uint16_t flags);
  // Adds a normalised word as AddWord does, taking the word table's answer for it (`cached`,
  // null when the table did not know the word, which is then added to it under `key`).
  // `*hash` receives its hash and, when `*slot` is not negative, `*entry` its entry.
  AddWordOutcome EnterWord(const char* word, uint64_t key, const WordCache::Entry* cached,
                           uint32_t file_ref, uint16_t flags, uint16_t* hash, int32_t* slot,
                           _Form** entry);

  // The dictionary's words by text; cleared whenever the dictionary is reset.
  WordCache word_cache_;
  // WordPoolCursor as it stood when word_cache_ last held every word of the dictionary. While
  // the two agree, a word the table does not know is not in the dictionary either; a text
  // added any other way (a reload, a direct InsertWord, a full table) moves the cursor alone.
  uint32_t word_cache_complete_to_ = 0;
  // The entries of FileWords' words, in the same order, as ExtractWords found them, so that
  // the postings need not look them up again. Emptied with FileWords by IndexFolderScan.
  std::vector<_Form*> file_entries_;
  // StoredFiles by path hash, for CheckStoredFile.
  StoredFileLookup stored_lookup_;
  // The plug-ins of the pass, loaded before anything in the index folder changes.
  PluginRegistry plugins_;
  StopList stop_words_;

  // Reloaded parts whose posting log has not been written; their logs are
  // written on the first posting for the part, when the run stops without saving, or at saving
  // time when the part gained words. Saving leaves a part alone while its bit is still set.
  std::bitset<64> deferred_logs_;
  // Holds each part in turn while the reload reads it.
  std::vector<uint8_t> part_buffer_;
  // The words each part held after the reload.
  std::array<uint32_t, 64> reloaded_words_{};
  // The reloaded word list is exactly what WriteWordList writes for the reloaded dictionary.
  bool word_list_canonical_ = false;
  // Set when a write to the file index or a posting log failed: the run ends with kRunFailed.
  bool write_failed_ = false;
  // Set once the file-number limit has stopped the walk: later folder scans ask for no file.
  bool file_limit_reached_ = false;
  platform::Status failure_;
  // The new versions of the index files, and where they go.
  std::unique_ptr<IndexSwitch> pending_;
  // The job's index name and its record before the run ("" for none); empty when no run set it.
  std::string index_name_;
  std::string recorded_before_;
  // Held from before the run's first change to IndexDir until Run returns.
  platform::FolderLock index_lock_;
  platform::WindowRef window_;

  // The reload beside the walk (BeginReload, FinishReload).
  std::thread reload_thread_;
  bool reload_pending_ = false;  // started, not yet finished
  std::mutex reload_mutex_;
  std::condition_variable reload_finished_;
  bool reload_done_ = false;  // under reload_mutex_
  bool reload_ok_ = false;    // under reload_mutex_
};

// The number of bytes before the first NUL, at most 128; 0 for null.
int BoundedLength(const char* text);
// Exact comparison of two NUL-terminated words of at most 128 bytes; false when either is null.
bool SameWord(const char* a, const char* b);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_INDEXER_H_
