// A synthetic corpus for the benchmarks: Word 97 documents and MP3 files with ID3v1 tags in a
// folder tree, whose words follow a Zipf distribution over a generated vocabulary. Everything
// is derived from one seed, so the same options always give the same bytes, on any machine.
// A file's bytes depend only on the seed, the file's number and a variant, so a benchmark can
// rewrite single files (variant 1, 2, ...) to simulate edits.
#ifndef ORU_BENCH_CORPUS_H_
#define ORU_BENCH_CORPUS_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace oru::bench {

struct CorpusOptions {
  uint64_t seed = 0xA5EC2003;
  int word_documents = 10000;
  int mp3_files = 2000;
  int folders = 100;          // leaf folders, ten to a group folder
  int vocabulary = 200000;    // distinct pseudo-words, ranked 1 (most frequent) upwards
  double zipf_s = 1.0;        // word of rank r is drawn with weight 1 / r^s
  int min_words = 200;        // words per document: min + (max - min) * u^2, u uniform
  int max_words = 3000;
  int narrow_percent = 20;    // share of documents stored as 8-bit text; the rest are 16-bit
};

struct CorpusStats {
  bool ok = false;            // false when a folder or file could not be written
  std::string error;
  uint64_t files = 0;
  uint64_t word_documents = 0;
  uint64_t wide_documents = 0;
  uint64_t narrow_documents = 0;
  uint64_t mp3_files = 0;
  uint64_t bytes = 0;         // sum of the file sizes
  uint64_t words = 0;         // words written into document texts and tag fields
};

// A deterministic 64-bit generator (xoshiro256**, seeded by splitmix64).
class Rng {
 public:
  explicit Rng(uint64_t seed);
  uint64_t Next();
  // Uniform in [0, n); n > 0.
  uint64_t Below(uint64_t n);
  // Uniform in [0, 1).
  double Unit();

 private:
  uint64_t s_[4];
};

// The vocabulary and the word distribution of a corpus. Building it takes a moment (the
// vocabulary is made once); afterwards it is read-only.
class CorpusText {
 public:
  explicit CorpusText(const CorpusOptions& options);

  int size() const { return static_cast<int>(words_.size()); }
  // The word of rank `rank` (1 = most frequent), lower-case, 3 to 12 characters of letters of
  // Windows-1252 (a to z, and in a few words one accented letter such as 0xE9).
  const std::string& Word(int rank) const { return words_[static_cast<size_t>(rank - 1)]; }
  // A rank drawn from the Zipf distribution.
  int DrawRank(Rng& rng) const;
  // Probability of the word of `rank` at each draw.
  double Probability(int rank) const;

  // Text in Windows-1252: sentences of 4-18 words (the first word capitalised, commas now and
  // then, a full stop at the end), paragraphs of 1-6 sentences each ending in a paragraph mark
  // (byte 13). `words` words in all.
  std::string Paragraphs(Rng& rng, int words) const;

 private:
  std::vector<std::string> words_;
  std::vector<double> cdf_;  // cdf_[r - 1]: probability of a rank <= r
};

enum class CorpusFileKind { kWideDocument, kNarrowDocument, kMp3 };

// One file of the corpus: its path relative to the corpus folder and its kind.
struct CorpusFile {
  std::string relative_path;
  CorpusFileKind kind;
};

// The files of a corpus, in the order they are generated: documents first, then MP3 files,
// spread over the folders. Paths look like "g3/d037/doc01234.doc".
std::vector<CorpusFile> CorpusLayout(const CorpusOptions& options);

// A Word 97 document around `text` (Windows-1252 bytes): 512 header bytes starting with the
// compound-file signature, the file information block at 512 (identifier 0xA5EC, fcMin at
// 536, fcMac at 540), the text right after the block as 16-bit or 8-bit characters, and zero
// padding to a multiple of 512 bytes.
std::string ForgeWordDocument(const std::string& text, bool wide);
// An MP3 file: `audio_bytes` bytes of frames, then a 128-byte ID3v1 tag with the given fields
// (each cut to its width and padded with zeros), year and genre.
std::string ForgeMp3(Rng& rng, int audio_bytes, const std::string& title, const std::string& artist,
                     const std::string& album, const std::string& year, const std::string& comment);

// The bytes of file `index` of the layout. Variant 0 is the corpus' own content; other
// variants give another text of the same kind and size class. Adds the words written to
// `*words` when it is not null.
std::string MakeCorpusFile(const CorpusOptions& options, const CorpusText& text,
                           const std::vector<CorpusFile>& layout, size_t index, uint32_t variant,
                           uint64_t* words);

// Writes the whole corpus below `folder` (created when missing; files already there are
// overwritten). The result's `ok` is false, with `error` set, when something could not be
// written.
CorpusStats GenerateCorpus(const CorpusOptions& options, const std::string& folder);

// A distinct word of letters only for each `n` ("wax", "wbx", ...): the indexer keeps it as it
// is, and no two numbers give the same word.
std::string LetterWord(uint64_t n);

}  // namespace oru::bench

#endif  // ORU_BENCH_CORPUS_H_
