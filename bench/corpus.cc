#include "bench/corpus.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <unordered_set>

#include "platform/little_endian.h"

namespace oru::bench {
namespace {

uint64_t SplitMix(uint64_t* state) {
  uint64_t z = (*state += 0x9E3779B97F4A7C15ull);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

// A seed for one purpose, so that the streams of different files never overlap.
uint64_t Mix(uint64_t seed, uint64_t a, uint64_t b) {
  uint64_t state = seed ^ (a * 0xD1B54A32D192ED03ull) ^ (b * 0x8CB92BA72F3D8DD7ull);
  return SplitMix(&state);
}

// Letters weighted roughly as in English text, so that the pseudo-words look like words.
constexpr char kLetters[] = "eeeeeeeeeeeettttttttaaaaaaaaoooooooiiiiiiinnnnnnnsssssshhhhhhrrrrrr"
                            "ddddllllcccuuummwwffggyyppbbvkjxqz";
// Accented lower-case letters of Windows-1252 (each has its capital at -0x20).
constexpr uint8_t kAccented[] = {0xE9, 0xE8, 0xE4, 0xF6, 0xFC, 0xF1, 0xE7, 0xE5, 0xF8};

constexpr int kFibBlock = 1024;  // the text starts right after a block of this size
constexpr int kSector = 512;
constexpr int kTagSize = 128;
constexpr int kTagField = 30;

char Capital(char c) {
  const auto b = static_cast<uint8_t>(c);
  if (b >= 'a' && b <= 'z') return static_cast<char>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<char>(b - 0x20);
  return c;
}

void PutU16(std::string* s, size_t at, uint32_t v) { platform::WriteLe(s->data() + at, v, 2); }
void PutU32(std::string* s, size_t at, uint32_t v) { platform::WriteLe(s->data() + at, v, 4); }

// Words joined by spaces, the first one capitalised (a tag field).
std::string Phrase(const CorpusText& text, Rng& rng, int words) {
  std::string out;
  for (int i = 0; i < words; ++i) {
    if (i > 0) out += ' ';
    std::string word = text.Word(text.DrawRank(rng));
    if (i == 0) word[0] = Capital(word[0]);
    out += word;
  }
  return out;
}

bool WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && written;
}

}  // namespace

Rng::Rng(uint64_t seed) {
  for (uint64_t& s : s_) s = SplitMix(&seed);
}

uint64_t Rng::Next() {
  const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
  const uint64_t t = s_[1] << 17;
  s_[2] ^= s_[0];
  s_[3] ^= s_[1];
  s_[1] ^= s_[2];
  s_[0] ^= s_[3];
  s_[2] ^= t;
  s_[3] = Rotl(s_[3], 45);
  return result;
}

uint64_t Rng::Below(uint64_t n) { return Next() % n; }

double Rng::Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

CorpusText::CorpusText(const CorpusOptions& options) {
  const int n = std::max(1, options.vocabulary);
  Rng rng(Mix(options.seed, 1, 0));
  std::unordered_set<std::string> seen;
  seen.reserve(static_cast<size_t>(n) * 2);
  words_.reserve(static_cast<size_t>(n));
  // Frequent words are short, rare ones long, as in natural text.
  for (int rank = 1; rank <= n; ++rank) {
    for (;;) {
      const double spread = 0.45 * std::log2(static_cast<double>(rank)) + 3.0 * rng.Unit();
      const int length = std::min(12, 3 + static_cast<int>(spread));
      std::string word(static_cast<size_t>(length), 'a');
      for (char& c : word) c = kLetters[rng.Below(sizeof(kLetters) - 1)];
      if (rank > 50 && rng.Below(100) < 3) {
        word[rng.Below(word.size())] =
            static_cast<char>(kAccented[rng.Below(sizeof(kAccented))]);
      }
      if (std::all_of(word.begin(), word.end(), [&](char c) { return c == word[0]; })) continue;
      if (seen.insert(word).second) {
        words_.push_back(std::move(word));
        break;
      }
    }
  }
  cdf_.resize(static_cast<size_t>(n));
  double sum = 0;
  for (int rank = 1; rank <= n; ++rank) {
    sum += options.zipf_s == 1.0 ? 1.0 / rank : std::pow(rank, -options.zipf_s);
    cdf_[static_cast<size_t>(rank - 1)] = sum;
  }
  for (double& c : cdf_) c /= sum;
}

int CorpusText::DrawRank(Rng& rng) const {
  const double u = rng.Unit();
  const auto it = std::upper_bound(cdf_.begin(), cdf_.end(), u);
  return static_cast<int>(std::min<ptrdiff_t>(it - cdf_.begin(), size() - 1)) + 1;
}

double CorpusText::Probability(int rank) const {
  const auto i = static_cast<size_t>(rank - 1);
  return i == 0 ? cdf_[0] : cdf_[i] - cdf_[i - 1];
}

std::string CorpusText::Paragraphs(Rng& rng, int words) const {
  std::string out;
  out.reserve(static_cast<size_t>(words) * 8);
  int left = words;
  while (left > 0) {
    const int sentences = 1 + static_cast<int>(rng.Below(6));
    for (int s = 0; s < sentences && left > 0; ++s) {
      const int length = std::min(left, 4 + static_cast<int>(rng.Below(15)));
      if (s > 0) out += ' ';
      for (int i = 0; i < length; ++i) {
        if (i > 0) out += rng.Below(12) == 0 ? ", " : " ";
        const std::string& word = Word(DrawRank(rng));
        out += i == 0 ? Capital(word[0]) : word[0];
        out.append(word, 1);
      }
      out += '.';
      left -= length;
    }
    out += '\r';  // paragraph mark
  }
  return out;
}

std::vector<CorpusFile> CorpusLayout(const CorpusOptions& options) {
  std::vector<CorpusFile> files;
  const int folders = std::max(1, options.folders);
  Rng rng(Mix(options.seed, 2, 0));
  char path[64];
  for (int i = 0; i < options.word_documents; ++i) {
    const auto folder = static_cast<int>(rng.Below(static_cast<uint64_t>(folders)));
    const bool narrow = rng.Below(100) < static_cast<uint64_t>(options.narrow_percent);
    std::snprintf(path, sizeof(path), "g%d/d%03d/doc%05d.doc", folder / 10, folder, i);
    files.push_back({path, narrow ? CorpusFileKind::kNarrowDocument : CorpusFileKind::kWideDocument});
  }
  for (int i = 0; i < options.mp3_files; ++i) {
    const auto folder = static_cast<int>(rng.Below(static_cast<uint64_t>(folders)));
    std::snprintf(path, sizeof(path), "g%d/d%03d/track%05d.mp3", folder / 10, folder, i);
    files.push_back({path, CorpusFileKind::kMp3});
  }
  return files;
}

std::string ForgeWordDocument(const std::string& text, bool wide) {
  const size_t text_bytes = wide ? 2 * text.size() : text.size();
  std::string doc(kSector + kFibBlock, '\0');
  static constexpr uint8_t kSignature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
  for (size_t i = 0; i < sizeof(kSignature); ++i) doc[i] = static_cast<char>(kSignature[i]);
  PutU16(&doc, kSector, 0xA5EC);      // identifier
  PutU16(&doc, kSector + 2, 0x00C1);  // version of the format (Word 97)
  PutU32(&doc, kSector + 24, kFibBlock);                                     // fcMin
  PutU32(&doc, kSector + 28, static_cast<uint32_t>(kFibBlock + text_bytes));  // fcMac
  doc.reserve(doc.size() + text_bytes + kSector);
  if (wide) {
    // Every character of the text is in Windows-1252's range 0x00-0x7F or 0xA0-0xFF, whose
    // UTF-16 units equal the byte.
    for (char c : text) {
      doc += c;
      doc += '\0';
    }
  } else {
    doc += text;
  }
  doc.resize((doc.size() + kSector - 1) / kSector * kSector, '\0');
  return doc;
}

std::string ForgeMp3(Rng& rng, int audio_bytes, const std::string& title, const std::string& artist,
                     const std::string& album, const std::string& year, const std::string& comment) {
  std::string mp3(static_cast<size_t>(audio_bytes) + kTagSize, '\0');
  for (int i = 0; i < audio_bytes; i += 8) {
    uint64_t r = rng.Next();
    for (int j = i; j < std::min(i + 8, audio_bytes); ++j, r >>= 8) {
      mp3[static_cast<size_t>(j)] = static_cast<char>(r & 0xFF);
    }
  }
  static constexpr uint8_t kFrameHeader[] = {0xFF, 0xFB, 0x90, 0x64};
  for (size_t i = 0; i < sizeof(kFrameHeader) && i < static_cast<size_t>(audio_bytes); ++i) {
    mp3[i] = static_cast<char>(kFrameHeader[i]);
  }
  const size_t tag = static_cast<size_t>(audio_bytes);
  mp3.replace(tag, 3, "TAG");
  const auto put = [&](size_t offset, const std::string& value, size_t width) {
    mp3.replace(tag + offset, std::min(width, value.size()), value, 0, width);
  };
  put(3, title, kTagField);
  put(33, artist, kTagField);
  put(63, album, kTagField);
  put(93, year, 4);
  put(97, comment, kTagField);
  mp3[tag + 127] = static_cast<char>(rng.Below(148));  // genre
  return mp3;
}

std::string MakeCorpusFile(const CorpusOptions& options, const CorpusText& text,
                           const std::vector<CorpusFile>& layout, size_t index, uint32_t variant,
                           uint64_t* words) {
  Rng rng(Mix(options.seed, 3 + index, variant));
  const CorpusFile& file = layout[index];
  if (file.kind == CorpusFileKind::kMp3) {
    const int counts[] = {2 + static_cast<int>(rng.Below(3)), 1 + static_cast<int>(rng.Below(3)),
                          1 + static_cast<int>(rng.Below(4)), 2 + static_cast<int>(rng.Below(4))};
    const std::string title = Phrase(text, rng, counts[0]);
    const std::string artist = Phrase(text, rng, counts[1]);
    const std::string album = Phrase(text, rng, counts[2]);
    const std::string year = std::to_string(1960 + rng.Below(64));
    const std::string comment = Phrase(text, rng, counts[3]);
    if (words != nullptr) *words += static_cast<uint64_t>(counts[0] + counts[1] + counts[2] + counts[3]);
    const int audio = 2048 + static_cast<int>(rng.Below(6145));
    return ForgeMp3(rng, audio, title, artist, album, year, comment);
  }
  const double u = rng.Unit();
  const int count = options.min_words +
                    static_cast<int>((options.max_words - options.min_words) * u * u);
  if (words != nullptr) *words += static_cast<uint64_t>(count);
  return ForgeWordDocument(text.Paragraphs(rng, count), file.kind == CorpusFileKind::kWideDocument);
}

CorpusStats GenerateCorpus(const CorpusOptions& options, const std::string& folder) {
  namespace fs = std::filesystem;
  CorpusStats stats;
  const CorpusText text(options);
  const std::vector<CorpusFile> layout = CorpusLayout(options);
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    stats.error = "cannot create " + folder + ": " + ec.message();
    return stats;
  }
  const fs::path root(folder);
  for (size_t i = 0; i < layout.size(); ++i) {
    const fs::path path = root / layout[i].relative_path;
    fs::create_directories(path.parent_path(), ec);
    const std::string bytes = MakeCorpusFile(options, text, layout, i, 0, &stats.words);
    if (ec || !WriteBytes(path.string(), bytes)) {
      stats.error = "cannot write " + path.string();
      return stats;
    }
    ++stats.files;
    stats.bytes += bytes.size();
    switch (layout[i].kind) {
      case CorpusFileKind::kWideDocument:
        ++stats.word_documents;
        ++stats.wide_documents;
        break;
      case CorpusFileKind::kNarrowDocument:
        ++stats.word_documents;
        ++stats.narrow_documents;
        break;
      case CorpusFileKind::kMp3:
        ++stats.mp3_files;
        break;
    }
  }
  stats.ok = true;
  return stats;
}

std::string LetterWord(uint64_t n) {
  std::string word = "w";
  do {
    word += static_cast<char>('a' + n % 26);
    n /= 26;
  } while (n != 0);
  return word + "x";
}

}  // namespace oru::bench
