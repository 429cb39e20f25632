#include "plugins/parser-ooxml/ooxml_names.h"

#include <array>
#include <utility>

namespace oru::ooxml {

namespace {

constexpr std::array<std::pair<std::string_view, Vocabulary>, 17> kNamespaces = {{
    {"http://schemas.openxmlformats.org/wordprocessingml/2006/main", Vocabulary::kWord},
    {"http://purl.oclc.org/ooxml/wordprocessingml/main", Vocabulary::kWord},
    {"http://schemas.openxmlformats.org/spreadsheetml/2006/main", Vocabulary::kSheet},
    {"http://purl.oclc.org/ooxml/spreadsheetml/main", Vocabulary::kSheet},
    {"http://schemas.openxmlformats.org/drawingml/2006/main", Vocabulary::kDrawing},
    {"http://purl.oclc.org/ooxml/drawingml/main", Vocabulary::kDrawing},
    {"http://schemas.openxmlformats.org/presentationml/2006/main", Vocabulary::kPresentation},
    {"http://purl.oclc.org/ooxml/presentationml/main", Vocabulary::kPresentation},
    {"http://schemas.openxmlformats.org/officeDocument/2006/relationships",
     Vocabulary::kRelationships},
    {"http://purl.oclc.org/ooxml/officeDocument/relationships", Vocabulary::kRelationships},
    {"http://schemas.openxmlformats.org/officeDocument/2006/math", Vocabulary::kMath},
    {"http://purl.oclc.org/ooxml/officeDocument/math", Vocabulary::kMath},
    {"http://schemas.openxmlformats.org/markup-compatibility/2006", Vocabulary::kCompatibility},
    {"http://schemas.openxmlformats.org/package/2006/metadata/core-properties",
     Vocabulary::kCoreProperties},
    {"http://purl.org/dc/elements/1.1/", Vocabulary::kDublinCore},
    {"http://purl.org/dc/terms/", Vocabulary::kOther},
    {"", Vocabulary::kOther},
}};

constexpr std::array<std::string_view, kNamespaces.size()> kUris = [] {
  std::array<std::string_view, kNamespaces.size()> uris;
  for (size_t k = 0; k < kNamespaces.size(); ++k) uris[k] = kNamespaces[k].first;
  return uris;
}();

}  // namespace

void NumberVocabularies(containers::XmlReader* reader) { reader->NumberNamespaces(kUris); }

Vocabulary VocabularyOfNumber(int number) {
  return number > 0 && static_cast<size_t>(number) <= kNamespaces.size()
             ? kNamespaces[number - 1].second
             : Vocabulary::kOther;
}

const std::string_view* AttributeOf(const containers::XmlReader& reader, Vocabulary vocabulary,
                                    std::string_view local) {
  for (const containers::XmlAttribute& attribute : reader.attributes()) {
    if (attribute.local != local) continue;
    const bool match = vocabulary == Vocabulary::kOther
                           ? attribute.uri.empty()
                           : VocabularyOfNumber(attribute.uri_number) == vocabulary;
    if (match) return &attribute.value;
  }
  return nullptr;
}

bool AlternateContent::OnStart(std::string_view local) {
  if (local == "AlternateContent") {
    taken_.push_back(false);
    return false;
  }
  if ((local != "Choice" && local != "Fallback") || taken_.empty()) return false;
  if (taken_.back()) return true;
  taken_.back() = true;
  return false;
}

void AlternateContent::OnEnd(std::string_view local) {
  if (local == "AlternateContent" && !taken_.empty()) taken_.pop_back();
}

}  // namespace oru::ooxml
