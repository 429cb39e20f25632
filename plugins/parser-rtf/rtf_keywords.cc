#include "plugins/parser-rtf/rtf_keywords.h"

#include <array>
#include <cstddef>

namespace oru::rtf {
namespace {

using enum Action;

// clang-format off
constexpr Keyword kWords[] = {
    // Separators and special characters.
    {"par", kChar, u'\n'}, {"line", kChar, u'\n'}, {"lbr", kChar, u'\n'},
    {"softline", kChar, u'\n'}, {"page", kChar, u'\n'}, {"sect", kChar, u'\n'},
    {"column", kChar, u'\n'}, {"row", kChar, u'\n'}, {"nestrow", kChar, u'\n'},
    {"tab", kChar, u'\t'}, {"cell", kChar, u'\t'}, {"nestcell", kChar, u'\t'},
    {"emspace", kChar, u'\u2003'}, {"enspace", kChar, u'\u2002'}, {"qmspace", kChar, u'\u2005'},
    {"emdash", kChar, u'\u2014'}, {"endash", kChar, u'\u2013'}, {"lquote", kChar, u'\u2018'},
    {"rquote", kChar, u'\u2019'}, {"ldblquote", kChar, u'\u201C'},
    {"rdblquote", kChar, u'\u201D'}, {"bullet", kChar, u'\u2022'},
    // Character sets, fonts, Unicode and binary data.
    {"ansi", kAnsi, 0}, {"mac", kMac, 0}, {"pc", kPc, 0}, {"pca", kPca, 0},
    {"ansicpg", kAnsiCpg, 0}, {"deff", kDeff, 0}, {"f", kFont, 0}, {"fcharset", kCharset, 0},
    {"cpg", kFontCodePage, 0}, {"plain", kPlain, 0}, {"u", kUnicode, 0},
    {"uc", kUnicodeSkip, 0},
    // Destinations.
    {"fonttbl", kFontTable, 0}, {"info", kInfo, 0}, {"title", kTitle, 0},
    {"subject", kSubject, 0}, {"keywords", kKeywords, 0}, {"author", kAuthor, 0},
    {"doccomm", kComment, 0}, {"upr", kUnicodePair, 0}, {"ud", kUnicodeTwin, 0},
    {"header", kBlock, 0}, {"headerl", kBlock, 0}, {"headerr", kBlock, 0},
    {"headerf", kBlock, 0}, {"footer", kBlock, 0}, {"footerl", kBlock, 0},
    {"footerr", kBlock, 0}, {"footerf", kBlock, 0}, {"footnote", kBlock, 0},
    {"shptxt", kBlock, 0}, {"fldrslt", kText, 0}, {"shpinst", kText, 0},
    // Destinations without text for the reader.
    {"colortbl", kSkip, 0}, {"stylesheet", kSkip, 0}, {"listtable", kSkip, 0},
    {"listoverridetable", kSkip, 0}, {"revtbl", kSkip, 0}, {"rsidtbl", kSkip, 0},
    {"generator", kSkip, 0}, {"filetbl", kSkip, 0}, {"pgdsctbl", kSkip, 0},
    {"template", kSkip, 0}, {"userprops", kSkip, 0}, {"xmlnstbl", kSkip, 0},
    {"themedata", kSkip, 0}, {"colorschememapping", kSkip, 0}, {"datastore", kSkip, 0},
    {"latentstyles", kSkip, 0}, {"mmathPr", kSkip, 0}, {"protusertbl", kSkip, 0},
    {"pgptbl", kSkip, 0}, {"wgrffmtfilter", kSkip, 0}, {"docvar", kSkip, 0},
    {"passwordhash", kSkip, 0}, {"defchp", kSkip, 0}, {"defpap", kSkip, 0},
    {"pict", kSkip, 0}, {"shppict", kSkip, 0}, {"nonshppict", kSkip, 0},
    {"blipuid", kSkip, 0}, {"picprop", kSkip, 0}, {"object", kSkip, 0},
    {"objdata", kSkip, 0}, {"objclass", kSkip, 0}, {"objname", kSkip, 0},
    {"objalias", kSkip, 0}, {"objsect", kSkip, 0}, {"shprslt", kSkip, 0},
    {"sp", kSkip, 0}, {"sn", kSkip, 0}, {"sv", kSkip, 0}, {"background", kSkip, 0},
    {"listpicture", kSkip, 0}, {"fldinst", kSkip, 0}, {"datafield", kSkip, 0},
    {"formfield", kSkip, 0}, {"bkmkstart", kSkip, 0}, {"bkmkend", kSkip, 0},
    {"pn", kSkip, 0}, {"pntext", kSkip, 0}, {"pntxta", kSkip, 0}, {"pntxtb", kSkip, 0},
    {"pnseclvl", kSkip, 0}, {"listtext", kSkip, 0}, {"leveltext", kSkip, 0},
    {"levelnumbers", kSkip, 0}, {"xe", kSkip, 0}, {"txe", kSkip, 0}, {"rxe", kSkip, 0},
    {"tc", kSkip, 0}, {"tcn", kSkip, 0}, {"ftnsep", kSkip, 0}, {"ftnsepc", kSkip, 0},
    {"aftnsep", kSkip, 0}, {"aftnsepc", kSkip, 0}, {"ftncn", kSkip, 0},
    {"aftncn", kSkip, 0}, {"annotation", kSkip, 0}, {"atnid", kSkip, 0},
    {"atnauthor", kSkip, 0}, {"atndate", kSkip, 0}, {"atnref", kSkip, 0},
    {"atnparent", kSkip, 0}, {"atntime", kSkip, 0}, {"atnicn", kSkip, 0},
    {"fontemb", kSkip, 0}, {"fontfile", kSkip, 0}, {"falt", kSkip, 0},
    {"panose", kSkip, 0}, {"fname", kSkip, 0}, {"keycode", kSkip, 0},
    {"private", kSkip, 0}, {"oldcprops", kSkip, 0}, {"oldpprops", kSkip, 0},
    {"oldsprops", kSkip, 0}, {"oldtprops", kSkip, 0}, {"fchars", kSkip, 0},
    {"lchars", kSkip, 0}, {"htmltag", kSkip, 0}, {"mhtmltag", kSkip, 0},
};
// clang-format on

// An open-addressing hash of the words above, built once: a lookup hashes the word and mostly
// compares one entry.
constexpr size_t kSlots = 512;
static_assert(std::size(kWords) * 2 < kSlots);

constexpr uint32_t Hash(std::string_view name) {
  uint32_t h = 2166136261u;
  for (const char c : name) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

struct Table {
  std::array<const Keyword*, kSlots> slots{};
  Table() {
    for (const Keyword& k : kWords) {
      size_t i = Hash(k.name) & (kSlots - 1);
      while (slots[i] != nullptr) i = (i + 1) & (kSlots - 1);
      slots[i] = &k;
    }
  }
};

}  // namespace

const Keyword* FindKeyword(std::string_view name) {
  static const Table table;
  if (name.size() > 20) return nullptr;  // longer than every listed word
  for (size_t i = Hash(name) & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
    const Keyword* k = table.slots[i];
    if (k == nullptr || k->name == name) return k;
  }
}

bool KeepsTextAfterStar(Action action) {
  return action == kBlock || action == kText || action == kUnicodeTwin;
}

}  // namespace oru::rtf
