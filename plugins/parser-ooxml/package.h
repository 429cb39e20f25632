// The package layer of Office Open XML: parts read through the XML reader, the relationships
// that lead from the package to its main part and from a part to the parts it uses, and the
// core properties.
#ifndef ORU_PLUGINS_PARSER_OOXML_PACKAGE_H_
#define ORU_PLUGINS_PARSER_OOXML_PACKAGE_H_

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "plugins/parser-common/markup_text.h"
#include "plugins/parser-common/xml_reader.h"
#include "plugins/parser-common/zip_reader.h"
#include "plugins/parser-ooxml/ooxml_names.h"

namespace oru::ooxml {

// One part of the package open for reading as XML, its reader numbered by NumberVocabularies.
// Neither copied nor moved: the reader points at the stream beside it.
class Part {
 public:
  // Opens the entry `name` of `zip`, which outlives the part.
  Part(containers::ZipArchive* zip, std::string_view name)
      : outcome_(zip->OpenEntry(name, &stream_)), reader_(&stream_) {
    NumberVocabularies(&reader_);
  }
  Part(const Part&) = delete;
  Part& operator=(const Part&) = delete;

  // False when the entry is missing or refused (the reader then gives kMalformed at once).
  bool opened() const { return outcome_ == containers::ZipOutcome::kOk; }
  containers::XmlReader& reader() { return reader_; }

 private:
  containers::ZipEntryStream stream_;
  containers::ZipOutcome outcome_;
  containers::XmlReader reader_;
};

// A relationship to a part inside the package (external targets are left out).
struct Relationship {
  std::string id;
  std::string type;  // the type URI
  std::string part;  // the entry name of the target
};

// The most relationships kept of one part; a part naming more is read in part.
inline constexpr size_t kMaxRelationships = 1 << 16;

// The relationships of the part `part` ("" for the package), from its relationships part
// ("_rels/.rels", "word/_rels/document.xml.rels"), in document order. Empty when there is none
// or it is unreadable; what was read before damage stands.
std::vector<Relationship> ReadRelationships(containers::ZipArchive* zip, std::string_view part);

// True when the type URI `type` ends in "/" + `name`, as both the transitional and the strict
// types of that relationship do ("officeDocument", "header", "slide", ...).
bool TypeIs(std::string_view type, std::string_view name);

// The first relationship of type `name` (TypeIs), or null.
const Relationship* FindByType(const std::vector<Relationship>& relationships,
                               std::string_view name);
// The relationships by id (the first of an id that occurs twice), pointing into
// `relationships`, which outlives the index.
std::unordered_map<std::string_view, const Relationship*> IndexById(
    const std::vector<Relationship>& relationships);

// Reads title, subject, keywords, description and creator from the core properties part
// `part` into `properties`; nothing when the part is missing, what was read when damaged.
void ReadCoreProperties(containers::ZipArchive* zip, std::string_view part,
                        containers::DocumentProperties* properties);

}  // namespace oru::ooxml

#endif  // ORU_PLUGINS_PARSER_OOXML_PACKAGE_H_
