#include "plugins/parser-common/held_text.h"

#include <algorithm>
#include <cstring>

#include "plugins/parser-common/word_rule.h"

namespace oru::parser {
namespace {

void CopyCut(const char* text, char* field, size_t field_size) {
  const size_t n = std::min(std::strlen(text), field_size - 1);
  std::memcpy(field, text, n);
  field[n] = '\0';
}

}  // namespace

void HeldText::Release() {
  if (text_ && text_->capacity() <= kMaxSpareChars && text_->capacity() > spare_.capacity()) {
    text_->clear();
    spare_.swap(*text_);
  }
  text_.reset();
  marked_ = false;
  marks_.Clear(kMaxSpareChars / 64);
}

std::u16string HeldText::TakeSpare() {
  std::u16string spare;
  spare.swap(spare_);
  return spare;
}

bool FillDescriptor(const PluginStrings& strings, DescriptorBlock* block) {
  if (block == nullptr) return false;
  std::memset(block->Filter, 0, sizeof(block->Filter));
  CopyCut(strings.filter, block->Filter, sizeof(block->Filter));
  CopyCut(strings.description, block->Description, sizeof(block->Description));
  CopyCut(strings.display_name, block->DisplayName, sizeof(block->DisplayName));
  return true;
}

bool HeldText::NextWord(WordRecord* rec) const {
  if (rec == nullptr) return false;
  rec->IsWide = 1;
  if (!text_) return false;
  const auto end = static_cast<uint32_t>(text_->size());
  if (!marked_) {
    marks_.Mark(text_->data(), end);
    marked_ = true;
  }
  return marks_.NextWordInto(text_->data(), end, rec);
}

bool HeldText::CutFragment(FragmentRecord* rec) const {
  if (rec == nullptr) return false;
  rec->IsWide = 1;
  if (!text_ || rec->Buffer == nullptr) {
    rec->Length = 0;
    return false;
  }
  auto* buffer = static_cast<char16_t*>(rec->Buffer);
  std::memset(buffer, 0, size_t{rec->Size} * sizeof(char16_t));
  const auto end = static_cast<uint32_t>(text_->size());
  if (rec->Position >= end) {
    rec->Length = 0;
    return false;
  }
  const uint32_t start = rec->Position > rec->Size / 2 ? rec->Position - rec->Size / 2 : 0;
  rec->Position = start;
  uint32_t size = std::min(rec->Size, end - start);
  const char16_t* text = text_->data();
  uint32_t p = start;
  while (p < end && text[p] == 0) ++p;
  size = std::min(size, end - p);
  rec->Size = size;
  rec->Length = size;
  const char16_t* zero = std::find(text + p, text + p + size, u'\0');
  std::copy(text + p, zero, buffer);
  return true;
}

}  // namespace oru::parser
