// A parser plug-in whose documents become one 16-bit text. Its library is built from
// text_plugin_exports.cc, which holds the contract's five exports, and from one file of its own
// that defines the two names below. The exports catch everything thrown by ReadDocument.
#ifndef ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_H_
#define ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_H_

#include <string>

#include "plugins/parser-common/held_text.h"

namespace oru::parser {

// The plug-in's filter string, description and display name.
extern const PluginStrings kPluginStrings;

// Reads the document `file_name` (never null or empty) of the filter group `type_name` (the
// group's type name, or anything another caller passes) into `text`, which arrives empty.
// True when the document gives a text (an empty one included); false when it is refused
// (missing, unreadable, damaged beyond reading, not of its kind). May throw std::bad_alloc.
bool ReadDocument(const char* file_name, const char* type_name, std::u16string* text);

}  // namespace oru::parser

#endif  // ORU_PLUGINS_PARSER_COMMON_TEXT_PLUGIN_H_
