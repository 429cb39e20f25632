#include "plugins/parser-html/html_text.h"

#include <gtest/gtest.h>

#include <string>

namespace oru::ostrin {
namespace {

// The text of `page` in UTF-8, for readable expectations.
std::string Text(std::string_view page) {
  std::string out;
  const std::u16string text = HtmlText(page);
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
    } else if (c < 0x10000) {
      out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
              static_cast<char>(0x80 | (c & 0x3F))};
    } else {
      out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
              static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
    }
  }
  return out;
}

TEST(HtmlTextTest, BlocksSeparateWordsAndInlineElementsJoinThem) {
  EXPECT_EQ(Text("<p>one</p><p>two</p><div>three<br>four</div>"), "one\ntwo\nthree\nfour");
  EXPECT_EQ(Text("<table><tr><td>cell</td><td>next</td></tr></table><ul><li>a1<li>b2</ul>"),
            "cell\nnext\na1\nb2");
  EXPECT_EQ(Text("<h1>head</h1>tail<hr>rule<section>s</section><custom-card>c</custom-card>"),
            "head\ntail\nrule\ns\nc");
  EXPECT_EQ(Text("<b>bo</b>ld <i>it</i><em>al</em>ic <a href=x>li</a><span>nk</span>"
                 "<font color=red>ed</font><sup>2</sup>"),
            "bold italic linked2");
  EXPECT_EQ(Text("  lots \n\t of\r\n   blanks  "), "lots of blanks");
  EXPECT_EQ(Text("<p>  </p>\n<div> </div>text"), "text");
}

TEST(HtmlTextTest, TitleAndMetaWordsComeBeforeTheBody) {
  EXPECT_EQ(Text("<html><head><meta name=\"Keywords\" content=\"alpha, beta\">"
                 "<title> The  &amp; Title </title>"
                 "<meta name=description content='About &quot;this&quot;'>"
                 "<meta name=author content=nobody><meta content=orphan></head>"
                 "<body><p>Body text</p><title>second title</title></body></html>"),
            "The & Title\nalpha, beta\nAbout \"this\"\nBody text");
  EXPECT_EQ(Text("<title>only</title>"), "only");
  EXPECT_EQ(Text("<svg><title>icon</title></svg>text<title>page</title>"), "page\ntext");
}

TEST(HtmlTextTest, HiddenContentIsLeftOut) {
  EXPECT_EQ(Text("a<script>var s = '<p>no</p>';</script>b<style>p { x: 1 }</style>c"), "a\nb\nc");
  EXPECT_EQ(Text("a<!-- no <p> --> b <!---->c<!-->d<!--->e<!-- x --!>f"), "a b cdef");
  EXPECT_EQ(Text("1<noscript>no</noscript>2<template><p>no</template>3"
                 "<iframe><p>no</p></iframe>4<object><param>no</object>5"
                 "<video>no</video>6<math><mi>no</mi></math>7"),
            "1\n2\n3\n4\n5\n6\n7");
  // Nested hidden elements of the same name are counted.
  EXPECT_EQ(Text("<svg><svg><text>no</text></svg>no<svg/>no</svg>yes"), "yes");
  EXPECT_EQ(Text("<template><template>no</template>no</template>yes"), "yes");
  // Raw text ends only at its own end tag, whatever its case.
  EXPECT_EQ(Text("<script>if (a</b) x = '</div>'; </scriptx></SCRIPT >after"), "after");
  EXPECT_EQ(Text("<style>a::after { content: '</p>' }</Style>after"), "after");
  // Old pages hide nested scripts in a comment; their end tags do not end the outer script.
  EXPECT_EQ(
      Text("<script><!--\ndocument.write('<script src=x.js></script>');\n//--></script>after"),
      "after");
  // A tag a browser takes out of SVG content ends it.
  EXPECT_EQ(Text("<svg><g><p>shown</p>"), "shown");
  EXPECT_EQ(Text("<svg><font>no</font><font face=x>shown</font>"), "shown");
}

TEST(HtmlTextTest, ShownRawTextAndImageAltText) {
  EXPECT_EQ(Text("<textarea>a &lt;b&gt; <p></textarea>after"), "a <b> <p>\nafter");
  EXPECT_EQ(Text("<xmp><b>&amp;</b></xmp>"), "<b>&amp;</b>");
  EXPECT_EQ(Text("<p>x<plaintext><b>all</b></plaintext>"), "x\n<b>all</b></plaintext>");
  EXPECT_EQ(Text("a<img src=x.png alt=\"A &amp; B\">b<img alt=''>c<IMG SRC=y>"), "a A & B bc");
}

TEST(HtmlTextTest, CharacterReferencesAreRead) {
  EXPECT_EQ(Text("caf&eacute; &amp; cr&egrave;me &copy 2024 &#233;&#xE9; &#150; &#0;"),
            "café & crème © 2024 éé – \uFFFD");
  EXPECT_EQ(Text("a &unknown; b & c &amp d"), "a &unknown; b & c & d");
  EXPECT_EQ(Text("AT&T &notit; x&nbsp;y"), "AT&T ¬it; x\u00A0y");
}

TEST(HtmlTextTest, DeclarationsAndCharacterData) {
  EXPECT_EQ(Text("<?xml version=\"1.0\"?>\n<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0//EN\">"
                 "<html><body><p>x</p><![CDATA[kept <b>as is</b>]]></body></html>"),
            "x\nkept <b>as is</b>");
  EXPECT_EQ(Text("a<?php echo 1 ?>b<!ELEMENT x>c"), "abc");
}

TEST(HtmlTextTest, MalformedMarkupReadsAsABrowserShowsIt) {
  EXPECT_EQ(Text("1 < 2 and 3 <= 4, a<>b, x <3 y"), "1 < 2 and 3 <= 4, a<>b, x <3 y");
  EXPECT_EQ(Text("a</>b</ not a tag>c</3 to the end"), "abc");
  EXPECT_EQ(Text("<p>open<div>never<b>closed"), "open\nneverclosed");
  EXPECT_EQ(Text("before<b class=\"unfinished>after</b>"), "before");  // the page ends in a tag
  EXPECT_EQ(Text("before <a href='x'title='y'>link</a>"), "before link");
  EXPECT_EQ(Text("text<!-- never closed <p>more"), "text");
  EXPECT_EQ(Text("a<script>never closed <p>b"), "a");
  // XHTML's empty elements: the content does not run to the end.
  EXPECT_EQ(Text("<title/><script src='x.js'/><iframe src='x' />text<template/>more"), "text\nmore");
  EXPECT_EQ(Text("<title>never closed"), "never closed");
  EXPECT_EQ(Text("ends with <"), "ends with <");
  EXPECT_EQ(Text("ends with </"), "ends with </");
  // Zero characters never reach the text.
  EXPECT_EQ(Text(std::string("a\0b <p\0>c", 9)), "ab\nc");
}

TEST(HtmlTextTest, NotHtmlAtAllGivesItsText) {
  EXPECT_EQ(Text("Just a note.\nSecond line."), "Just a note. Second line.");
  EXPECT_EQ(Text(""), "");
}

TEST(HtmlTextTest, PagesAreDecodedInTheirEncoding) {
  EXPECT_EQ(Text("<meta charset=windows-1251><p>\xCF\xF0\xE8\xE2\xE5\xF2 \xEC\xE8\xF0</p>"),
            "Привет мир");
  EXPECT_EQ(Text("<meta http-equiv=Content-Type content='text/html; charset=koi8-r'>\xF0\xD2\xC9"),
            "При");
  EXPECT_EQ(Text(std::string("\xFF\xFE<\0p\0>\0\xE9\0<\0/\0p\0>\0", 18)), "é");
  EXPECT_EQ(Text(std::string("\xFE\xFF\0<\0p\0>\0\xE9", 10)), "é");
  EXPECT_EQ(Text("\xEF\xBB\xBF<p>caf\xC3\xA9</p>"), "café");
  EXPECT_EQ(Text("<p>caf\xC3\xA9</p>"), "café");
  EXPECT_EQ(Text("<p>caf\xE9 \x93quoted\x94</p>"), "café “quoted”");
  EXPECT_EQ(Text("<meta charset=utf-16><p>caf\xC3\xA9</p>"), "café");
}

TEST(HtmlTextTest, DeepNestingCostsNothing) {
  std::string page;
  for (int i = 0; i < 1000000; ++i) page += "<div>";
  page += "deep";
  for (int i = 0; i < 1000000; ++i) page += "</div>";
  EXPECT_EQ(Text(page), "deep");
}

}  // namespace
}  // namespace oru::ostrin
