// What the converters of the XML-based formats (Office Open XML, OpenDocument) share: the text
// of a document growing under a cap, separators that never glue words or double up, skipping an
// element whole, and the document properties written before the body.
#ifndef ORU_PLUGINS_PARSER_COMMON_MARKUP_TEXT_H_
#define ORU_PLUGINS_PARSER_COMMON_MARKUP_TEXT_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/parser-common/xml_reader.h"

namespace oru::containers {

// The most characters a document's text holds (64 MiB of UTF-16); what passes it is dropped,
// so the words before the cut are indexed and memory stays bounded whatever the archive holds.
inline constexpr size_t kMaxMarkupTextChars = size_t{32} << 20;

// Appends to a text the caller owns, up to `max_chars` characters. With a work budget, every
// character kept is charged to it (text_weight each), since keeping text costs more than
// reading it, and a part may be copied into the text many times (a shared string).
class TextSink {
 public:
  explicit TextSink(std::u16string* text, size_t max_chars = kMaxMarkupTextChars,
                    WorkBudget* budget = nullptr)
      : text_(text), max_(max_chars), budget_(budget) {}

  // Appends UTF-8 `utf8` (malformed bytes become U+FFFD), cut at the cap.
  void Append(std::string_view utf8);
  // Appends UTF-16 `text`, cut at the cap.
  void Append(std::u16string_view text) {
    if (text_->size() >= max_) return;
    text = text.substr(0, max_ - text_->size());
    Grow(text.size());
    text_->append(text);
    Charge(text.size());
  }
  // Appends one character (ignored at the cap).
  void Put(char16_t c) {
    if (text_->size() >= max_) return;
    text_->push_back(c);
    Charge(1);
  }
  // Ends a word: appends `c` (a space, tab or newline) unless the text is empty or already
  // ends with one of those, so that separators never pile up.
  void Break(char16_t c);
  bool full() const { return text_->size() >= max_; }
  // Full, or the work budget is spent: no part read from now on would give anything.
  bool spent() const { return full() || (budget_ != nullptr && budget_->spent()); }
  std::u16string* text() const { return text_; }

 private:
  // Makes room for `more` characters. A text past kGrowAtOnce characters that must grow takes
  // at once the room the rest of its budget could fill (within the cap), so that a large text
  // is neither copied nor its fresh pages touched again at each doubling. Below that, and
  // without a budget, a text grows as strings do.
  static constexpr size_t kGrowAtOnce = size_t{1} << 20;
  void Grow(size_t more) {
    const size_t need = text_->size() + more;
    if (need <= text_->capacity() || text_->size() < kGrowAtOnce || budget_ == nullptr ||
        budget_->text_weight == 0) {
      return;
    }
    const uint64_t left = budget_->max - std::min(budget_->used, budget_->max);
    const uint64_t chars = std::min<uint64_t>(left / budget_->text_weight, max_);
    // Once the budget is all but spent, the text grows as strings do (never by the exact need
    // of each piece, which would copy it again for every one).
    const size_t room = std::min<size_t>(max_, text_->size() + chars);
    if (room > need) text_->reserve(room);
  }
  void Charge(size_t chars) {
    if (budget_ != nullptr) budget_->used += chars * budget_->text_weight;
  }

  std::u16string* text_;
  size_t max_;
  WorkBudget* budget_;
};

// Reads past the end of the element whose kStartElement `reader` gave last. Returns kEndElement
// when it closed, else what ended the reading (kEnd or kMalformed).
XmlEvent SkipElement(XmlReader* reader);

// The properties of a document that are indexed before its body, each as UTF-8.
struct DocumentProperties {
  std::string title;
  std::string subject;
  std::vector<std::string> keywords;
  std::string description;
  std::vector<std::string> authors;  // distinct, in the order found
};

// The bytes one property field keeps; a longer value is cut (a property is a line, not a text).
inline constexpr size_t kMaxPropertyBytes = size_t{64} << 10;
// Keywords and authors kept.
inline constexpr size_t kMaxPropertyValues = 256;

// Appends the text of the element whose kStartElement `reader` gave last to `value`, up to
// kMaxPropertyBytes, and reads past its end. Returns what SkipElement returns.
XmlEvent ReadPropertyText(XmlReader* reader, std::string* value);
// Adds `value` to `values` unless it is empty, already there, or the list is full.
void AddPropertyValue(std::string value, std::vector<std::string>* values);

// Writes the non-empty properties to `sink`, each followed by a newline: title, subject,
// keywords, description, authors.
void WriteProperties(const DocumentProperties& properties, TextSink* sink);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_MARKUP_TEXT_H_
