#include "plugins/parser-ooxml/office_package.h"

#include <vector>

#include "plugins/parser-common/markup_text.h"
#include "plugins/parser-common/zip_reader.h"
#include "plugins/parser-ooxml/ooxml_names.h"
#include "plugins/parser-ooxml/package.h"
#include "plugins/parser-ooxml/part_text.h"

namespace oru::ooxml {

namespace {

using containers::XmlEvent;

constexpr std::string_view kCompoundFileSignature = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";

}  // namespace

bool IsCompoundFile(std::string_view head) {
  return head.substr(0, kCompoundFileSignature.size()) == kCompoundFileSignature;
}

bool ReadOfficePackage(containers::ByteSource* source, std::u16string* text,
                       const containers::ZipLimits& limits) {
  containers::ZipArchive zip;
  if (containers::ZipArchive::Open(source, &zip, limits) != containers::ZipOpenOutcome::kOk) {
    return false;
  }
  const std::vector<Relationship> package = ReadRelationships(&zip, "");
  const Relationship* main = FindByType(package, "officeDocument");
  if (main == nullptr) return false;

  Part part(&zip, main->part);
  if (!part.opened()) return false;
  containers::XmlReader& reader = part.reader();
  if (reader.Next() != XmlEvent::kStartElement) return false;
  const Vocabulary vocabulary = VocabularyOf(reader);
  const std::string_view root = reader.local_name();
  enum class Kind { kWord, kWorkbook, kPresentation } kind;
  if (vocabulary == Vocabulary::kWord && root == "document") {
    kind = Kind::kWord;
  } else if (vocabulary == Vocabulary::kSheet && root == "workbook") {
    kind = Kind::kWorkbook;
  } else if (vocabulary == Vocabulary::kPresentation && root == "presentation") {
    kind = Kind::kPresentation;
  } else {
    return false;
  }

  containers::TextSink sink(text, containers::kMaxMarkupTextChars, zip.work_budget());
  containers::DocumentProperties properties;
  const Relationship* core = FindByType(package, "core-properties");
  ReadCoreProperties(&zip, core != nullptr ? std::string_view(core->part) : "docProps/core.xml",
                     &properties);
  containers::WriteProperties(properties, &sink);

  switch (kind) {
    case Kind::kWord:
      AppendWordDocument(&zip, main->part, &reader, &sink);
      break;
    case Kind::kWorkbook:
      AppendWorkbook(&zip, main->part, &reader, &sink);
      break;
    case Kind::kPresentation:
      AppendPresentation(&zip, main->part, &reader, &sink);
      break;
  }
  return true;
}

}  // namespace oru::ooxml
