// Part names inside a container: how a relationship's target (Office) or a manifest's path
// (OpenDocument), relative to the part that names it, becomes the name of a ZIP entry.
#ifndef ORU_PLUGINS_PARSER_COMMON_PART_PATH_H_
#define ORU_PLUGINS_PARSER_COMMON_PART_PATH_H_

#include <string>
#include <string_view>

namespace oru::containers {

// The entry name that `target` names from the part `base` ("" for the package itself, whose
// targets are relative to the root). A target starting with '/' starts at the root; any other
// starts in the folder that holds `base`. Empty and "." segments are dropped, ".." drops the
// segment before it (never above the root), and the result has no leading '/':
//   ("word/document.xml", "media/x.png")        -> "word/media/x.png"
//   ("word/document.xml", "../customXml/a.xml") -> "customXml/a.xml"
//   ("word/document.xml", "/word/styles.xml")   -> "word/styles.xml"
std::string ResolvePartName(std::string_view base, std::string_view target);

// `name` with each "%XX" escape (two hex digits) replaced by the byte it stands for; other
// bytes, and a '%' not followed by two hex digits, are kept.
std::string UnescapePartName(std::string_view name);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_PART_PATH_H_
