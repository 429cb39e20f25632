// Word-processing parts and documents.
#include <string>
#include <vector>

#include "plugins/parser-ooxml/ooxml_names.h"
#include "plugins/parser-ooxml/package.h"
#include "plugins/parser-ooxml/part_text.h"

namespace oru::ooxml {

namespace {

using containers::XmlEvent;

// Elements whose content is never text: field instructions, deleted and moved-away revisions.
bool IsSkipped(std::string_view local) {
  return local == "instrText" || local == "delInstrText" || local == "delText" ||
         local == "del" || local == "moveFrom" || local == "sym";
}

}  // namespace

void AppendWordText(containers::XmlReader* reader, containers::TextSink* sink) {
  AlternateContent alternate;
  int in_text = 0;  // open w:t or m:t
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (sink->full()) break;  // the rest could give nothing
    if (event == XmlEvent::kText) {
      if (in_text > 0) sink->Append(reader->text());
      continue;
    }
    const Vocabulary vocabulary = VocabularyOf(*reader);
    const std::string_view local = reader->local_name();
    if (event == XmlEvent::kStartElement) {
      if (vocabulary == Vocabulary::kWord) {
        if (local == "t") {
          ++in_text;
        } else if (IsSkipped(local)) {
          SkipElement(reader);
        } else if (local == "tab") {
          sink->Break(u' ');
        } else if (local == "br" || local == "cr") {
          sink->Break(u'\n');
        } else if (local == "noBreakHyphen") {
          sink->Put(u'-');
        }
      } else if (vocabulary == Vocabulary::kMath && local == "t") {
        ++in_text;
      } else if (vocabulary == Vocabulary::kCompatibility && alternate.OnStart(local)) {
        SkipElement(reader);
      }
      continue;
    }
    // kEndElement
    if ((vocabulary == Vocabulary::kWord || vocabulary == Vocabulary::kMath) && local == "t") {
      if (in_text > 0) --in_text;
    } else if (vocabulary == Vocabulary::kWord) {
      if (local == "p" || local == "tr") {
        sink->Break(u'\n');
      } else if (local == "tc") {
        sink->Break(u'\t');
      }
    } else if (vocabulary == Vocabulary::kCompatibility) {
      alternate.OnEnd(local);
    }
  }
  sink->Break(u'\n');
}

void AppendWordDocument(containers::ZipArchive* zip, std::string_view main,
                        containers::XmlReader* reader, containers::TextSink* sink) {
  AppendWordText(reader, sink);
  const std::vector<Relationship> relationships = ReadRelationships(zip, main);
  // Headers and footers in the order the document names them, then the notes and comments.
  std::vector<std::string> parts;
  for (const Relationship& relationship : relationships) {
    if (TypeIs(relationship.type, "header") || TypeIs(relationship.type, "footer")) {
      parts.push_back(relationship.part);
    }
  }
  for (const char* type : {"footnotes", "endnotes", "comments"}) {
    if (const Relationship* relationship = FindByType(relationships, type)) {
      parts.push_back(relationship->part);
    }
  }
  for (const std::string& name : parts) {
    if (sink->full()) return;
    if (name == main) continue;
    Part part(zip, name);
    if (part.opened()) AppendWordText(&part.reader(), sink);
  }
}

}  // namespace oru::ooxml
