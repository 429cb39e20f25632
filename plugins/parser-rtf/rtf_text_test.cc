// The Rich Text converter over small documents written by hand.
#include "plugins/parser-rtf/rtf_text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace oru::rtf {
namespace {

// The text of `body` inside a document group with a font table of Latin, Cyrillic, Greek,
// symbol and Japanese fonts.
std::u16string Text(const std::string& body) {
  const std::string doc =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times;}{\\f1\\fcharset204 Arial Cyr;}"
      "{\\f2\\fswiss\\fcharset161{\\*\\panose 020b0604020202020204}Arial Greek;}"
      "{\\f3\\fcharset2 Symbol;}{\\f4\\fcharset128 MS Mincho;}}" +
      body + "}";
  return RtfText(doc).value_or(u"<refused>");
}

TEST(RtfTextTest, RefusesWhatIsNotRichText) {
  EXPECT_FALSE(RtfText(""));
  EXPECT_FALSE(RtfText("Hello, plain text."));
  EXPECT_FALSE(RtfText("{\\rt"));
  EXPECT_FALSE(RtfText("x{\\rtf1 a}"));
  EXPECT_EQ(RtfText("\xEF\xBB\xBF \r\n\t{\\rtf1 hello}"), u"hello");
  EXPECT_EQ(RtfText("{\\rtf"), u"");
}

TEST(RtfTextTest, ControlWordsAndSymbols) {
  EXPECT_EQ(Text("a\\b bold\\b0  c\\fs-24 d\\ul1234567890123456789x"), u"abold cdx");
  EXPECT_EQ(Text("\\{x\\} \\\\ a\\~b hy\\-phen non\\_breaking"),
            u"{x} \\ a\u00A0b hyphen non-breaking");
  EXPECT_EQ(Text("one\r\ntwo\rthree\nfour\\\nfive\\\r\nsix"), u"onetwothreefour\nfive\nsix");
  EXPECT_EQ(Text("\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote\\bullet"),
            u"\u2014\u2013\u2018\u2019\u201C\u201D\u2022");
  EXPECT_EQ(Text("Tab\\tab A\\cell B\\cell\\row P\\par L\\line X\\page S\\sect N\\nestcell "
                 "M\\nestrow\tz"),
            u"Tab\tA\tB\t\nP\nL\nX\nS\nN\tM\n\tz");
  EXPECT_EQ(Text("after{\\*\\unknown {nested} skipped}\\*\\alsoUnknown gone}tail"), u"after");
}

TEST(RtfTextTest, CodePagesOfDocumentAndFonts) {
  EXPECT_EQ(RtfText("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}"),
            u"\u041F\u0440\u0438\u0432\u0435\u0442");
  EXPECT_EQ(RtfText("{\\rtf1\\ansi caf\\'e9}"), u"caf\u00E9");
  EXPECT_EQ(RtfText("{\\rtf1\\mac caf\\'8e}"), u"caf\u00E9");
  EXPECT_EQ(RtfText("{\\rtf1\\pc \\'9b}"), u"\u00A2");
  EXPECT_EQ(RtfText("{\\rtf1\\pca \\'9b}"), u"\u00F8");
  // \fcharset overrides the document's code page for the font's text, \plain returns to \deff.
  EXPECT_EQ(Text("\\'e9 {\\f1 \\'cf\\'e8} \\f2 \\'e1\\plain \\'e9 \\f1\\'cf"),
            u"\u00E9 \u041F\u0438 \u03B1\u00E9 \u041F");
  EXPECT_EQ(RtfText("{\\rtf1\\ansi\\deff1{\\fonttbl\\f0 Times;\\f1\\fcharset238 CE;}"
                    "\\'b9{\\f0\\'b9}{\\f7\\'b9}}"),
            u"\u0105\u00B9\u00B9")
      << "fonts without braces; an unknown font reads in the document's code page";
  EXPECT_EQ(RtfText("{\\rtf1{\\fonttbl{\\f0\\cpg1253\\fcharset204 G;}}\\f0\\'e1}"), u"\u03B1")
      << "\\cpg wins over \\fcharset";
  EXPECT_EQ(Text("a{\\f3\\'b7}b"), u"ab") << "symbol fonts give no text";
  // Double-byte characters: one per pair, a literal trail byte included; a lead byte that no
  // trail byte follows is one unknown character.
  EXPECT_EQ(Text("{\\f4 x\\'82\\'a0y\\'83Tz\\'95\\\\\\'82}w"), u"x\u3042y\u30B5z\u8868\uFFFDw");
}

TEST(RtfTextTest, UnicodeAndFallbackCharacters) {
  EXPECT_EQ(Text("\\u1055?\\u1088 ?x"), u"\u041F\u0440x");
  EXPECT_EQ(Text("\\uc0\\u1055 \\u1088 x"), u"\u041F\u0440x");
  EXPECT_EQ(Text("\\uc2\\u1055\\'cf\\'d0x\\u1088 ab\\u1089\\par\\'e0y"), u"\u041Fx\u0440\u0441y")
      << "a control word and \\'hh are one fallback character each";
  EXPECT_EQ(Text("{\\uc3\\u1055 abc}\\u1088 xy{\\u1089}z"), u"\u041F\u0440y\u0441z")
      << "\\uc is the group's; a brace ends the fallback";
  EXPECT_EQ(Text("\\u-3913?\\u-10179?\\u-8694?\\u65535?\\u70000?"),
            u"\uF0B7\U0001F60A\uFFFF\uFFFD");
  EXPECT_EQ(Text("\\u0?\\u7?\\'00\\'09\\'0a"), u"   \t\n") << "no zero or control characters";
}

TEST(RtfTextTest, DestinationsWithoutTextAreSkipped) {
  EXPECT_EQ(Text("{\\colortbl;\\red0\\green0\\blue0;}{\\stylesheet{\\s0 Normal;}}"
                 "{\\*\\generator Writer;}{\\listtable{\\list{\\leveltext \\'01\\u8226 ?;}}}"
                 "{\\pict\\pngblip 89504e47}{\\*\\bkmkstart x}A{\\*\\bkmkend x}B"),
            u"AB");
  EXPECT_EQ(Text("see {\\field{\\*\\fldinst {HYPERLINK \"http://x\"}}{\\fldrslt {\\ul here}}}."),
            u"see here.");
  EXPECT_EQ(Text("{\\listtext 1.\\tab}{\\pntext \\'b7\\tab}item"), u"item");
  EXPECT_EQ(Text("{\\xe {entry}}{\\tc toc}x"), u"x");
  EXPECT_EQ(Text("a{\\shp{\\*\\shpinst\\shpleft0{\\sp{\\sn fillColor}{\\sv 255}}"
                 "{\\shptxt Boxed}}{\\shprslt {\\*\\do Boxed}}}b"),
            u"a\nBoxed\nb");
  EXPECT_EQ(Text("{\\header Head}{\\footerr Foot}Body{\\footnote Note}end"),
            u"\nHead\n\nFoot\nBody\nNote\nend");
  EXPECT_EQ(Text("{\\upr{ansi \\'e9}{\\*\\ud{uni \\u233?}}} x{\\*\\ud y}"), u"uni \u00E9 xy");
}

TEST(RtfTextTest, DocumentPropertiesComeFirst) {
  EXPECT_EQ(Text("{\\info{\\author Ann}{\\operator Op}{\\title The \\'e9title}"
                 "{\\company Co}{\\keywords k1, k2}{\\doccomm Note}{\\subject Sub}"
                 "{\\creatim\\yr2001\\mo2}{\\*\\manager Boss}}Body"),
            u"The \u00E9title\nSub\nk1, k2\nAnn\nNote\nBody");
  EXPECT_EQ(Text("{\\info{\\upr{\\title Caf\\'e9}{\\*\\ud{\\title Caf\\u233?}}}{\\author A}"
                 "{\\author A}{\\upr{\\subject Eight}{\\*\\ud{\\subject Sixteen}}}}x"),
            u"Caf\u00E9\nSixteen\nA\nx")
      << "the \\ud twin of a property wins; a repeated property is read once";
}

TEST(RtfTextTest, BinaryDataIsPassedOver) {
  EXPECT_EQ(Text("a\\bin3 }{\\b"), u"ab");
  EXPECT_EQ(Text("{\\pict\\bin4 }}}}after} x"), u" x");
  EXPECT_EQ(Text("{\\*\\blob\\bin2 }}} y"), u" y");
  EXPECT_EQ(Text("\\uc1\\u1055\\bin2 xxz"), u"\u041Fz") << "\\bin and its data: one fallback";
  EXPECT_EQ(RtfText("{\\rtf1 a\\bin999999999 bcd}"), u"a");
  EXPECT_EQ(RtfText("{\\rtf1 a\\bin-5 bcd}"), u"a");
  EXPECT_EQ(RtfText("{\\rtf1 a\\bin bcd}"), u"abcd");
}

TEST(RtfTextTest, DamagedDocumentsGiveTheTextReadSoFar) {
  EXPECT_EQ(RtfText("{\\rtf1 first{\\b second"), u"firstsecond");
  const std::pair<const char*, std::u16string> ends[] = {
      {"\\", u"x"},    {"\\par", u"x\n"},   {"\\par-", u"x\n-"},
      {"\\'4", u"x4"}, {"\\'", u"x"},       {"\\u", u"x"},
      {"\\u-", u"x-"}, {"\\bin5 ab", u"x"}, {"\\f1\\'cf", u"x\u00CF"}};
  for (const auto& [end, text] : ends) {
    EXPECT_EQ(RtfText(std::string("{\\rtf1 x") + end), text) << end;
  }
  EXPECT_EQ(RtfText("{\\rtf1 in} out"), u"in") << "the text ends with the document's group";
  EXPECT_EQ(
      RtfText("{\\rtf1 a\\u" + std::string(5000, '9') + "?b\\uc" + std::string(3000, '7') + " c}"),
      u"a\uFFFDbc");
  const std::string deep = std::string(200000, '{') + "deep" + std::string(200000, '}');
  EXPECT_EQ(RtfText("{\\rtf1 " + deep + " after}"), u"deep after");
  EXPECT_EQ(RtfText("{\\rtf1 " + std::string(200000, '{') + "\\*\\x{}skipped}kept"), u"kept")
      << "a skipped group past the depth cap ends at its own brace";
}

}  // namespace
}  // namespace oru::rtf
