#include "plugins/parser-ooxml/package.h"

#include <utility>

#include "plugins/parser-common/part_path.h"
#include "plugins/parser-ooxml/ooxml_names.h"

namespace oru::ooxml {

namespace {

using containers::XmlEvent;

constexpr std::string_view kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// "word/document.xml" -> "word/_rels/document.xml.rels"; "" -> "_rels/.rels".
std::string RelationshipsPartOf(std::string_view part) {
  const size_t slash = part.rfind('/');
  const std::string_view folder = slash == std::string_view::npos ? "" : part.substr(0, slash + 1);
  const std::string_view name = slash == std::string_view::npos ? part : part.substr(slash + 1);
  std::string rels(folder);
  rels.append("_rels/").append(name).append(".rels");
  return rels;
}

}  // namespace

std::vector<Relationship> ReadRelationships(containers::ZipArchive* zip, std::string_view part) {
  std::vector<Relationship> relationships;
  Part rels(zip, RelationshipsPartOf(part));
  if (!rels.opened()) return relationships;
  containers::XmlReader& reader = rels.reader();
  for (XmlEvent event = reader.Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader.Next()) {
    if (event != XmlEvent::kStartElement || reader.local_name() != "Relationship" ||
        reader.uri() != kPackageRelationships) {
      continue;
    }
    const std::string_view* id = reader.Attribute("", "Id");
    const std::string_view* type = reader.Attribute("", "Type");
    const std::string_view* target = reader.Attribute("", "Target");
    const std::string_view* mode = reader.Attribute("", "TargetMode");
    if (id == nullptr || type == nullptr || target == nullptr) continue;
    if (mode != nullptr && *mode == "External") continue;
    const containers::ZipEntry* entry = zip->FindRelative(part, *target);
    Relationship relationship{std::string(*id), std::string(*type),
                              entry != nullptr ? entry->name
                                               : containers::ResolvePartName(part, *target)};
    relationships.push_back(std::move(relationship));
    if (relationships.size() >= kMaxRelationships) break;
  }
  return relationships;
}

bool TypeIs(std::string_view type, std::string_view name) {
  return type.size() > name.size() && type.substr(type.size() - name.size()) == name &&
         type[type.size() - name.size() - 1] == '/';
}

const Relationship* FindByType(const std::vector<Relationship>& relationships,
                               std::string_view name) {
  for (const Relationship& relationship : relationships) {
    if (TypeIs(relationship.type, name)) return &relationship;
  }
  return nullptr;
}

std::unordered_map<std::string_view, const Relationship*> IndexById(
    const std::vector<Relationship>& relationships) {
  std::unordered_map<std::string_view, const Relationship*> index;
  for (const Relationship& relationship : relationships) {
    index.emplace(relationship.id, &relationship);
  }
  return index;
}

void ReadCoreProperties(containers::ZipArchive* zip, std::string_view part,
                        containers::DocumentProperties* properties) {
  Part core(zip, part);
  if (!core.opened()) return;
  containers::XmlReader& reader = core.reader();
  for (XmlEvent event = reader.Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader.Next()) {
    if (event != XmlEvent::kStartElement || reader.depth() != 2) continue;
    const Vocabulary vocabulary = VocabularyOf(reader);
    const std::string_view local = reader.local_name();
    std::string* field = nullptr;
    std::string value;
    if (vocabulary == Vocabulary::kDublinCore && local == "title") {
      field = &properties->title;
    } else if (vocabulary == Vocabulary::kDublinCore && local == "subject") {
      field = &properties->subject;
    } else if (vocabulary == Vocabulary::kDublinCore && local == "description") {
      field = &properties->description;
    } else if (!(vocabulary == Vocabulary::kCoreProperties && local == "keywords") &&
               !(vocabulary == Vocabulary::kDublinCore && local == "creator")) {
      continue;
    }
    const XmlEvent ended = containers::ReadPropertyText(&reader, field ? field : &value);
    if (vocabulary == Vocabulary::kCoreProperties) {
      containers::AddPropertyValue(std::move(value), &properties->keywords);
    } else if (field == nullptr) {
      containers::AddPropertyValue(std::move(value), &properties->authors);
    }
    if (ended != XmlEvent::kEndElement) return;
  }
}

}  // namespace oru::ooxml
