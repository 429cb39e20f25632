// The vocabularies of Office Open XML by namespace: each occurs in its transitional form
// (http://schemas.openxmlformats.org/...) and its strict one (http://purl.oclc.org/ooxml/...),
// and both read the same. Also the markup-compatibility choice every part may hold.
#ifndef ORU_PLUGINS_PARSER_OOXML_OOXML_NAMES_H_
#define ORU_PLUGINS_PARSER_OOXML_OOXML_NAMES_H_

#include <string_view>
#include <vector>

#include "plugins/parser-common/xml_reader.h"

namespace oru::ooxml {

enum class Vocabulary {
  kWord,           // wordprocessingml
  kSheet,          // spreadsheetml
  kDrawing,        // drawingml
  kPresentation,   // presentationml
  kRelationships,  // the r: attributes that name a relationship
  kMath,           // office math
  kCompatibility,  // markup compatibility (mc:)
  kCoreProperties,  // cp: of docProps/core.xml
  kDublinCore,      // dc: of docProps/core.xml
  kOther,
};

// Numbers the namespaces of the vocabularies in `reader` (XmlReader::NumberNamespaces), so
// that the calls below match them without comparing URIs. Every part's reader is numbered.
void NumberVocabularies(containers::XmlReader* reader);
// The vocabulary of a namespace number of a reader numbered by NumberVocabularies.
Vocabulary VocabularyOfNumber(int number);
// The vocabulary of the last element `reader` (numbered by NumberVocabularies) gave.
inline Vocabulary VocabularyOf(const containers::XmlReader& reader) {
  return VocabularyOfNumber(reader.uri_number());
}

// True when the last element `reader` gave is `local` of `vocabulary`.
inline bool IsElement(const containers::XmlReader& reader, Vocabulary vocabulary,
                      std::string_view local) {
  return reader.local_name() == local && VocabularyOf(reader) == vocabulary;
}

// The value of the attribute `local` of `vocabulary` (or without a namespace when `vocabulary`
// is kOther) of the last start element of `reader` (numbered by NumberVocabularies), or null.
const std::string_view* AttributeOf(const containers::XmlReader& reader, Vocabulary vocabulary,
                                    std::string_view local);

// Markup compatibility: of the branches of an mc:AlternateContent the first mc:Choice is read
// and every later branch (another Choice, the Fallback) is skipped; a Fallback alone is read.
// The branches carry the same content, so reading one gives it once.
class AlternateContent {
 public:
  // Call on every start element of the compatibility vocabulary. True when the element just
  // started is a branch to skip (the caller then skips it whole).
  bool OnStart(std::string_view local);
  // Call on every end element of the compatibility vocabulary.
  void OnEnd(std::string_view local);

 private:
  std::vector<bool> taken_;  // per open AlternateContent: a branch was read
};

}  // namespace oru::ooxml

#endif  // ORU_PLUGINS_PARSER_OOXML_OOXML_NAMES_H_
