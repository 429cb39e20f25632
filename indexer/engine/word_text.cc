#include "indexer/engine/word_text.h"

#include <cstring>

namespace oru {

int BoundedLength(const char* text) {
  return text == nullptr ? 0 : static_cast<int>(strnlen(text, 128));
}

bool SameWord(const char* a, const char* b) {
  if (a == nullptr || b == nullptr) return false;
  for (int i = 0; i < 128; ++i) {
    if (a[i] != b[i]) return false;
    if (a[i] == '\0') return true;
  }
  return true;
}

}  // namespace oru
