// The XML reader driven as the plug-ins drive it, over documents cut into chunks of every size
// the tests try: the events it gives, the text it decodes, and where it stops.
#include "plugins/parser-common/xml_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/test_folder.h"
#include "plugins/parser-common/test_zip_writer.h"
#include "plugins/parser-common/utf16_text.h"
#include "plugins/parser-common/zip_reader.h"

namespace oru::containers {
namespace {

// The events of a document as one line: "<{uri}name {uri}attr=value>", text, "</{uri}name>",
// and "$" at the end or "#reason" where it is malformed. Text pieces run together. Elements
// named `skip` are passed over with Skip, shown as "~".
std::string TraceOf(InputStream* input, const XmlLimits& limits = {},
                    std::string_view skip = {}) {
  XmlReader reader(input, limits);
  auto name = [](std::string_view uri, std::string_view local) {
    return (uri.empty() ? "" : "{" + std::string(uri) + "}") + std::string(local);
  };
  std::string trace;
  for (int events = 0; events < 100000; ++events) {
    XmlEvent event = reader.Next();
    if (event == XmlEvent::kStartElement && !skip.empty() && reader.local_name() == skip) {
      const size_t depth = reader.depth();
      trace += "<" + name(reader.uri(), reader.local_name()) + ">~";
      event = reader.Skip();
      if (event == XmlEvent::kEndElement) {
        EXPECT_EQ(reader.depth(), depth - 1);
      }
    }
    switch (event) {
      case XmlEvent::kStartElement:
        trace += "<" + name(reader.uri(), reader.local_name());
        for (const XmlAttribute& a : reader.attributes()) {
          trace += " " + name(a.uri, a.local) + "=" + std::string(a.value) + (a.cut ? "(cut)" : "");
        }
        trace += ">";
        break;
      case XmlEvent::kEndElement:
        trace += "</" + name(reader.uri(), reader.local_name()) + ">";
        break;
      case XmlEvent::kText:
        EXPECT_FALSE(reader.text().empty());
        trace += reader.text();
        break;
      case XmlEvent::kEnd:
        EXPECT_EQ(reader.Next(), XmlEvent::kEnd);
        return trace + "$";
      case XmlEvent::kMalformed:
        EXPECT_EQ(reader.Next(), XmlEvent::kMalformed);
        return trace + "#" + std::string(reader.malformed_reason());
    }
  }
  return trace + "(endless)";
}

// The trace, which must not depend on how the input is cut into chunks.
std::string Trace(const std::string& xml, const XmlLimits& limits = {},
                  std::string_view skip = {}) {
  MemoryInputStream whole(xml);
  const std::string trace = TraceOf(&whole, limits, skip);
  for (size_t chunk : {1, 2, 3, 5}) {
    MemoryInputStream cut(xml, chunk);
    EXPECT_EQ(TraceOf(&cut, limits, skip), trace) << "in chunks of " << chunk;
  }
  return trace;
}

TEST(XmlReaderTest, ResolvesNamesThroughTheNamespacesInScope) {
  // Producers choose their own prefixes: only URIs count.
  EXPECT_EQ(Trace("<?xml version='1.0'?><!-- c --><ns0:document xmlns:ns0='urn:w' "
                  "xmlns:r=\"urn:r\" ns0:a='1' plain='2'><?pi x?>"
                  "<ns0:p xmlns:ns0='urn:other'><ns0:t xml:space='preserve'>x</ns0:t></ns0:p>"
                  "<ns0:p r:id='rId5'/><q:u/></ns0:document>trailing <junk"),
            "<{urn:w}document {urn:w}a=1 plain=2>"
            "<{urn:other}p><{urn:other}t {http://www.w3.org/XML/1998/namespace}space=preserve>x"
            "</{urn:other}t></{urn:other}p>"
            "<{urn:w}p {urn:r}id=rId5></{urn:w}p><u></u></{urn:w}document>$");
  // The default namespace applies to elements only, and can be undeclared.
  EXPECT_EQ(Trace("<a xmlns='urn:d' k='v'><b><c xmlns=''><d/></c></b></a>"),
            "<{urn:d}a k=v><{urn:d}b><c><d></d></c></{urn:d}b></{urn:d}a>$");
}

TEST(XmlReaderTest, DecodesReferencesAndCdata) {
  EXPECT_EQ(Trace("<a v='&lt;&#9;x&#x41;\ty&quot;'>&lt;&gt;&amp;&quot;&apos; &#65;&#x42;&#X43;"
                  "&#xe9;&#x1F600;&#0;&#xD800;&#99999999999; &undefined; AT&T &; & x"
                  "<![CDATA[<b>&amp;]] ]]]></a>"),
            "<a v=<\txA y\">"
            "<>&\"' AB&#X43;\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD  "
            "AT&T &; & x<b>&amp;]] ]</a>$");
}

TEST(XmlReaderTest, SkipsADoctypeAndExpandsNoEntity) {
  const std::string laughs =
      "<?xml version=\"1.0\"?>\n<!DOCTYPE lolz [\n <!ENTITY lol \"lol\">\n"
      " <!ENTITY lol2 \"&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;\">\n"
      " <!ENTITY lol3 \"&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;\">\n"
      " <!-- a ']' and a quote ' in a comment -->\n"
      " <!ATTLIST lolz a CDATA \"]>\">\n]>\n<lolz>a&lol3;b</lolz>";
  EXPECT_EQ(Trace(laughs), "<lolz>ab</lolz>$");
  EXPECT_EQ(Trace("<!DOCTYPE html PUBLIC \"-//x//EN\" 'y.dtd'><html/>"), "<html></html>$");
}

TEST(XmlReaderTest, StopsAtMalformedInputWithTheTextSoFar) {
  EXPECT_EQ(Trace("<a><b>words before</c></a>"),
            "<a><b>words before#end tag does not match the start tag");
  EXPECT_EQ(Trace("<a>cut sh"), "<a>cut sh#input ends inside an element");
  EXPECT_EQ(Trace("<a><![CDATA[cut"), "<a>cut#input ends inside CDATA");
  EXPECT_EQ(Trace("<a x='1<'>"), "#bad attribute value");
  EXPECT_EQ(Trace("<a x>"), "#attribute without a value");
  EXPECT_EQ(Trace("<a><b"), "<a>#input ends inside a tag");
  EXPECT_EQ(Trace("text<a/>"), "#text before the root element");
  EXPECT_EQ(Trace(""), "#no root element");
  EXPECT_EQ(Trace("<a><!ENTITY x 'y'></a>"), "<a>#unexpected declaration inside an element");
  EXPECT_EQ(Trace("<a><!-- endless"), "<a>#unclosed comment");
  EXPECT_EQ(Trace("<!DOCTYPE a [ <!ENTITY x '>]"), "#unclosed DOCTYPE");
}

TEST(XmlReaderTest, SkipPassesOverAnElementAndStopsWhereNextWould) {
  // Nested elements of the same name; markup-like text in CDATA, comments and instructions.
  EXPECT_EQ(Trace("<r xmlns='urn:d' xmlns:p='urn:1'><s a='1'><s>in<![CDATA[</s><s>]]>"
                  "<!-- </s> --><?pi </s>?><s/>&lt;/s&gt;<p:s xmlns:p='urn:2'/></s>y</s>"
                  "<t p:k='v'>after</t><s/></r>",
                  {}, "s"),
            "<{urn:d}r><{urn:d}s>~</{urn:d}s><{urn:d}t {urn:1}k=v>after</{urn:d}t>"
            "<{urn:d}s>~</{urn:d}s></{urn:d}r>$");
  // Damage inside the element ends reading as it would without skipping.
  EXPECT_EQ(Trace("<r><s><a></b></s>after</r>", {}, "s"),
            "<r><s>~#end tag does not match the start tag");
  EXPECT_EQ(Trace("<r><s><a x=1/></s></r>", {}, "s"), "<r><s>~#bad attribute value");
  EXPECT_EQ(Trace("<r><s>cut", {}, "s"), "<r><s>~#input ends inside an element");
  EXPECT_EQ(Trace("<r><s><![CDATA[cut]]", {}, "s"), "<r><s>~#input ends inside CDATA");
  XmlLimits limits;
  limits.max_depth = 2;
  EXPECT_EQ(Trace("<r><s><a><b></b></a></s><t/></r>", limits, "s"), "<r><s>~</s><t></t></r>$");
}

TEST(XmlReaderTest, NumbersTheNamespacesItIsGiven) {
  // The numbers follow the bindings in scope as prefixes are declared again and go out of scope.
  constexpr std::string_view kUris[] = {"urn:a", "urn:b"};
  const std::string xml =
      "<r xmlns='urn:a' xmlns:p='urn:b' p:k='1'><p:e xmlns:p='urn:a' p:k='2'><p:e/>"
      "<e xmlns=''/></p:e><p:e/><q:e/><e xml:lang='x'/></r>";
  MemoryInputStream input(xml);
  XmlReader reader(&input);
  reader.NumberNamespaces(kUris);
  std::string numbers;
  for (XmlEvent event = reader.Next(); event != XmlEvent::kEnd && event != XmlEvent::kMalformed;
       event = reader.Next()) {
    if (event != XmlEvent::kStartElement) continue;
    numbers += std::to_string(reader.uri_number());
    for (const XmlAttribute& a : reader.attributes()) numbers += "," + std::to_string(a.uri_number);
    numbers += ' ';
  }
  EXPECT_EQ(numbers, "1,2 1,1 1 0 2 0 1,0 ");
  // Numbered in the middle of a document: the elements open then end with the numbers.
  const std::string document = "<r xmlns='urn:b'><e/></r>";
  MemoryInputStream again(document);
  XmlReader late(&again);
  ASSERT_EQ(late.Next(), XmlEvent::kStartElement);
  EXPECT_EQ(late.uri_number(), 0);
  late.NumberNamespaces(kUris);
  std::string ends;
  for (XmlEvent event = late.Next(); event != XmlEvent::kEnd; event = late.Next()) {
    ends += std::to_string(late.uri_number());
  }
  EXPECT_EQ(ends, "222");
}

TEST(XmlReaderTest, ReadsTagsAcrossRefillsAndLongerThanTheBytesAtHand) {
  // Enough elements to pass several refills of the input, with attributes whose values must
  // outlast them; some tags are longer than what the reader looks at in one go.
  std::string xml = "<r xmlns:p='urn:p'>";
  std::string expected = "<r>";
  for (int i = 0; i < 3000; ++i) {
    const std::string n = std::to_string(i);
    const std::string value = i % 500 == 0 ? std::string(700, 'v') : "value" + n;
    xml += "<p:e k='" + value + "' p:m=\"" + n + "\">t" + n + "</p:e >";
    expected += "<{urn:p}e k=" + value + " {urn:p}m=" + n + ">t" + n + "</{urn:p}e>";
  }
  EXPECT_EQ(Trace(xml + "</r>"), expected + "</r>$");
}

// Names, values and text runs of every length up to past two blocks of 16 bytes, ended by each
// byte that can end them: read whole (the fast scans) and in small chunks alike.
TEST(XmlReaderTest, ReadsRunsOfEveryLengthEndedByEveryDelimiter) {
  for (size_t n = 1; n <= 40; ++n) {
    const std::string run(n, 'r');
    for (const char* end : {"/>", " a='1'/>", "\t/>", "\n/>", "\r/>", ">x</" }) {
      std::string xml = "<" + run + end;
      if (xml.ends_with("</")) xml += run + ">";
      const std::string attributes = std::string(end).find('a') != std::string::npos ? " a=1" : "";
      const std::string text = xml.ends_with(run + ">") ? "x" : "";
      EXPECT_EQ(Trace(xml), "<" + run + attributes + ">" + text + "</" + run + ">$") << xml;
    }
    // Each value in a tag of its own: a tag that needs decoding is read the general way.
    for (const char* inside : {"\"", "\n", "\t", "&amp;"}) {
      const std::string value = run + inside + run;
      const std::string read = run + (inside[0] == '"' ? "\"" : inside[0] == '&' ? "&" : " ") + run;
      EXPECT_EQ(Trace("<a v='" + value + "'/>"), "<a v=" + read + "></a>$") << value;
    }
    EXPECT_EQ(Trace("<a>" + run + "&lt;" + run + "<b/>" + run + "</a>"),
              "<a>" + run + "<" + run + "<b></b>" + run + "</a>$");
  }
}

TEST(XmlReaderTest, TracksDepthUpToItsLimitAndReadsTheTextBelow) {
  XmlLimits limits;
  limits.max_depth = 3;
  EXPECT_EQ(Trace("<a><b><c><d><e>deep</e>er<f/></d>!</c></b></a>", limits),
            "<a><b><c>deeper!</c></b></a>$");
  EXPECT_EQ(Trace("<a><b><c><d></x></c></b></a>", limits), "<a><b><c></c></b></a>$");

  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<e>";
  deep += "text";
  MemoryInputStream input(deep);
  XmlReader reader(&input);
  size_t starts = 0;
  XmlEvent event;
  while ((event = reader.Next()) == XmlEvent::kStartElement) ++starts;
  EXPECT_EQ(starts, 256u);
  EXPECT_EQ(reader.depth(), 256u);
  ASSERT_EQ(event, XmlEvent::kText);
  EXPECT_EQ(reader.text(), "text");
  EXPECT_EQ(reader.Next(), XmlEvent::kMalformed);
}

TEST(XmlReaderTest, DeliversALongTextRunInPiecesOnCharacterBoundaries) {
  std::string body;
  while (body.size() < 1000000) body += "x\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80&amp;";
  const std::string xml = "<a>" + body + "<![CDATA[" + body + "]]></a>";
  XmlLimits limits;
  limits.text_piece_bytes = 1000;
  for (size_t chunk : {7, 65536}) {
    MemoryInputStream input(xml, chunk);
    XmlReader reader(&input, limits);
    ASSERT_EQ(reader.Next(), XmlEvent::kStartElement);
    std::string text;
    size_t pieces = 0;
    XmlEvent event;
    while ((event = reader.Next()) == XmlEvent::kText) {
      ASSERT_LE(reader.text().size(), 1000u);
      ++pieces;
      std::u16string wide;
      AppendUtf8AsUtf16(reader.text(), &wide);
      ASSERT_EQ(wide.find(u'\xFFFD'), std::u16string::npos);
      text += reader.text();
    }
    EXPECT_EQ(event, XmlEvent::kEndElement);
    std::string expected;
    for (size_t at = 0; at < body.size(); ++at) {
      expected += body[at];
      if (body.compare(at, 5, "&amp;") == 0) at += 4;
    }
    EXPECT_EQ(text, expected + body);
    EXPECT_LE(pieces, text.size() / 996 + 2);  // pieces are full but for the last of a run
  }
}

TEST(XmlReaderTest, BoundsNamesAndAttributes) {
  XmlLimits limits;
  limits.max_name_bytes = 8;
  limits.max_attribute_bytes = 10;
  limits.max_attributes = 3;
  EXPECT_EQ(Trace("<a x='1234567' y='abcdef' z=''/>", limits), "<a x=1234567 y=abc(cut) z=></a>$");
  EXPECT_EQ(Trace("<a123456789/>", limits), "#bad element name");
  EXPECT_EQ(Trace("<a p='' q='' r='' s=''/>", limits), "#too many attributes");
  limits.max_namespace_bytes = 10;
  EXPECT_EQ(Trace("<a xmlns:p='12345'><b xmlns:q='1234'/></a>", limits),
            "<a>#too many namespace declarations");
}

TEST(XmlReaderTest, ReadsUtf16WithAByteOrderMarkAndUtf8WithOne) {
  const std::u16string text =
      u"<?xml version='1.0' encoding='UTF-16'?><a:d xmlns:a='urn:x'>\r\nl\u00E9\U0001F600\r</a:d>";
  std::string little = "\xFF\xFE", big = "\xFE\xFF";
  for (char16_t c : text) {
    little += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
    big += {static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
  }
  const std::string expected = "<{urn:x}d>\nl\xC3\xA9\xF0\x9F\x98\x80\n</{urn:x}d>$";
  EXPECT_EQ(Trace(little), expected);
  EXPECT_EQ(Trace(big), expected);
  EXPECT_EQ(Trace(little.substr(2)), expected);  // without the mark, known by its "<?"
  EXPECT_EQ(Trace(big.substr(2)), expected);
  EXPECT_EQ(Trace("\xEF\xBB\xBF<a>x\r\n</a>"), "<a>x\n</a>$");
}

TEST(XmlReaderTest, ReadsAPartStraightOutOfAZipEntry) {
  std::string body;
  for (int i = 0; i < 20000; ++i) body += "<w:r><w:t>word" + std::to_string(i) + "</w:t></w:r>";
  const std::string xml = "<w:document xmlns:w='urn:w'><w:body>" + body + "</w:body></w:document>";
  const std::string zip_bytes = testing::TestZipWriter().Add("word/document.xml", xml).Build();
  MemoryByteSource source(zip_bytes);
  ZipArchive zip;
  ASSERT_EQ(ZipArchive::Open(&source, &zip), ZipOpenOutcome::kOk);
  ZipEntryStream stream;
  ASSERT_EQ(zip.OpenEntry("word/document.xml", &stream), ZipOutcome::kOk);
  XmlReader reader(&stream);
  size_t words = 0;
  bool in_t = false;
  for (XmlEvent event; (event = reader.Next()) != XmlEvent::kEnd;) {
    ASSERT_NE(event, XmlEvent::kMalformed);
    if (event != XmlEvent::kText)
      in_t = event == XmlEvent::kStartElement && reader.Is("urn:w", "t");
    if (event == XmlEvent::kText && in_t && reader.text().starts_with("word")) ++words;
  }
  EXPECT_EQ(words, 20000u);
  EXPECT_EQ(stream.outcome(), ZipOutcome::kOk);
}

TEST(XmlReaderTest, ReadsAFlatDocumentFromAFile) {
  platform::TestFolder folder;
  const std::string path = folder.Write(
      "a.fodt",
      "<?xml version='1.0'?>\n<office:document xmlns:office='urn:o'>words</office:document>");
  platform::File file;
  ASSERT_TRUE(platform::File::Open(path, platform::OpenMode::kReadExisting, &file).ok());
  FileInputStream input(&file);
  EXPECT_EQ(TraceOf(&input), "<{urn:o}document>words</{urn:o}document>$");
  EXPECT_FALSE(input.failed());
}

TEST(Utf16TextTest, ConvertsUtf8AndReplacesMalformedSequences) {
  std::u16string out = u">";
  AppendUtf8AsUtf16("a\xC3\xA9\xF0\x9F\x98\x80|\xFF|\xC3|\xE2\x82", &out);
  EXPECT_EQ(out, u">a\u00E9\U0001F600|\uFFFD|\uFFFD|\uFFFD");
  // Long ASCII runs (taken 16 bytes at a time) between other characters, at every offset.
  for (size_t run = 0; run <= 40; ++run) {
    const std::string ascii(run, 'q');
    std::u16string text;
    AppendUtf8AsUtf16(ascii + "\xC3\xA9" + ascii + "\xFF" + ascii, &text);
    const std::u16string wide(run, u'q');
    EXPECT_EQ(text, wide + u"\u00E9" + wide + u"\uFFFD" + wide) << run;
  }
}

}  // namespace
}  // namespace oru::containers
