// OpenDocument packages (ZIP) and flat files.
#include <string>
#include <string_view>

#include "plugins/parser-common/zip_reader.h"
#include "plugins/parser-odf/odf_text.h"

namespace oru::odf {

namespace {

using containers::XmlEvent;
using containers::XmlReader;

constexpr std::string_view kManifest = "urn:oasis:names:tc:opendocument:xmlns:manifest:1.0";

// True when META-INF/manifest.xml gives content.xml encryption data.
bool ContentIsEncrypted(containers::ZipArchive* zip) {
  containers::ZipEntryStream stream;
  if (zip->OpenEntry("META-INF/manifest.xml", &stream) != containers::ZipOutcome::kOk) {
    return false;
  }
  XmlReader reader(&stream);
  bool in_content = false;
  for (XmlEvent event = reader.Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader.Next()) {
    if (event == XmlEvent::kStartElement && reader.Is(kManifest, "file-entry")) {
      const std::string_view* path = reader.Attribute(kManifest, "full-path");
      in_content = path != nullptr && (*path == "content.xml" || *path == "/content.xml");
    } else if (event == XmlEvent::kEndElement && reader.Is(kManifest, "file-entry")) {
      in_content = false;
    } else if (event == XmlEvent::kStartElement && in_content &&
               reader.Is(kManifest, "encryption-data")) {
      return true;
    }
  }
  return false;
}

// Reads the part `name` into `text` when it is there; false when it is missing, refused, or
// its root is not of the office namespace.
bool ReadPart(containers::ZipArchive* zip, std::string_view name, OdfText* text) {
  containers::ZipEntryStream stream;
  if (zip->OpenEntry(name, &stream) != containers::ZipOutcome::kOk) return false;
  XmlReader reader(&stream);
  return ReadOdfXml(&reader, text);
}

// True when the package's "mimetype" entry names an OpenDocument type.
bool NamesOpenDocument(containers::ZipArchive* zip) {
  std::string type;
  return zip->ReadEntry("mimetype", &type) == containers::ZipOutcome::kOk &&
         type.starts_with("application/vnd.oasis.opendocument.");
}

}  // namespace

OdfOutcome ReadOdfPackage(containers::ByteSource* source, std::u16string* text,
                          const containers::ZipLimits& limits) {
  containers::ZipArchive zip;
  switch (containers::ZipArchive::Open(source, &zip, limits)) {
    case containers::ZipOpenOutcome::kOk:
      break;
    case containers::ZipOpenOutcome::kNotZip:
      return OdfOutcome::kNotZip;
    default:
      return OdfOutcome::kRefused;
  }
  if (ContentIsEncrypted(&zip)) return OdfOutcome::kRefused;
  OdfText parts;
  bool read = ReadPart(&zip, "content.xml", &parts);
  // A template may hold no body at all, only its styles (headers and footers) and properties:
  // an empty document, not a damaged one, when the package says it is OpenDocument.
  if (!read && !NamesOpenDocument(&zip)) return OdfOutcome::kRefused;
  read = ReadPart(&zip, "meta.xml", &parts) || read;
  read = ReadPart(&zip, "styles.xml", &parts) || read;
  if (!read) return OdfOutcome::kRefused;
  JoinOdfText(parts, text);
  return OdfOutcome::kRead;
}

bool ReadFlatOdf(containers::InputStream* stream, std::u16string* text) {
  XmlReader reader(stream);
  OdfText parts;
  if (!ReadOdfXml(&reader, &parts)) return false;
  JoinOdfText(parts, text);
  return true;
}

}  // namespace oru::odf
