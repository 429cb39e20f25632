// Presentation slides and their notes.
#include <string>
#include <vector>

#include "plugins/parser-ooxml/ooxml_names.h"
#include "plugins/parser-ooxml/package.h"
#include "plugins/parser-ooxml/part_text.h"

namespace oru::ooxml {

namespace {

using containers::XmlEvent;

// The most slides read of one presentation.
constexpr size_t kMaxSlides = 1 << 16;

void AppendSlidePart(containers::ZipArchive* zip, const std::string& name,
                     containers::TextSink* sink) {
  Part part(zip, name);
  if (!part.opened()) return;
  AppendDrawingText(&part.reader(), sink);
}

}  // namespace

void AppendDrawingText(containers::XmlReader* reader, containers::TextSink* sink) {
  AlternateContent alternate;
  int in_text = 0;
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
      if (vocabulary == Vocabulary::kDrawing) {
        if (local == "t") {
          ++in_text;
        } else if (local == "br") {
          sink->Break(u'\n');
        }
      } else if (vocabulary == Vocabulary::kCompatibility && alternate.OnStart(local)) {
        SkipElement(reader);
      }
      continue;
    }
    if (vocabulary == Vocabulary::kDrawing) {
      if (local == "t") {
        if (in_text > 0) --in_text;
      } else if (local == "p" || local == "tr") {
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

void AppendPresentation(containers::ZipArchive* zip, std::string_view main,
                        containers::XmlReader* reader, containers::TextSink* sink) {
  // The slide list first, so that no two parts are read at once.
  std::vector<std::string> ids;
  for (XmlEvent event = reader->Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader->Next()) {
    if (event != XmlEvent::kStartElement || !IsElement(*reader, Vocabulary::kPresentation, "sldId")) {
      continue;
    }
    if (const std::string_view* id = AttributeOf(*reader, Vocabulary::kRelationships, "id")) {
      ids.emplace_back(*id);
      if (ids.size() >= kMaxSlides) break;
    }
  }
  const std::vector<Relationship> relationships = ReadRelationships(zip, main);
  const auto by_id = IndexById(relationships);
  for (const std::string& id : ids) {
    // A long slide list goes no further than the budget: each slide costs opening two parts.
    if (sink->spent()) return;
    const auto found = by_id.find(id);
    if (found == by_id.end()) continue;
    const Relationship* slide = found->second;
    if ( !TypeIs(slide->type, "slide") || slide->part == main) continue;
    AppendSlidePart(zip, slide->part, sink);
    const std::vector<Relationship> slide_relationships = ReadRelationships(zip, slide->part);
    const Relationship* notes = FindByType(slide_relationships, "notesSlide");
    if (notes != nullptr && notes->part != slide->part) AppendSlidePart(zip, notes->part, sink);
  }
}

}  // namespace oru::ooxml
