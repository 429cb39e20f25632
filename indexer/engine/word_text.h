// The texts of the dictionary's words as both the dictionary and the word table in front of it
// compare them: NUL-terminated, at most 128 bytes.
#ifndef ORU_INDEXER_ENGINE_WORD_TEXT_H_
#define ORU_INDEXER_ENGINE_WORD_TEXT_H_

namespace oru {

// The number of bytes before the first NUL, at most 128; 0 for null.
int BoundedLength(const char* text);
// Exact comparison of two NUL-terminated words of at most 128 bytes; false when either is null.
bool SameWord(const char* a, const char* b);

}  // namespace oru

#endif  // ORU_INDEXER_ENGINE_WORD_TEXT_H_
