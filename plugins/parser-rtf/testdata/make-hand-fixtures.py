#!/usr/bin/env python3
"""Writes the hand-made Rich Text fixtures in the manner of older word processors:

  hand-wordpad-cp1251.rtf    WordPad on a Russian system: \\ansicpg1251, \\'hh in fonts of
                             charset 204 and 0, \\pntext bullets, \\u with an \\'hh fallback
  hand-wordpad-shiftjis.rtf  WordPad on a Japanese system: Shift JIS pairs in a charset 128 font,
                             ASCII trail bytes written as themselves
  hand-mac-word5.rtf         Word 5 for the Macintosh: \\mac, Mac Roman \\'hh, CR line ends, and
                             Cocoa-style paragraphs ending in a backslash

hand-word2003.rtf (Word 2003 output: generator, \\upr/\\ud, fields, bookmarks, shapes, pictures,
theme data) is kept as written. Run from this folder; then make-rtf-fixtures.sh for the .lo.txt.
"""


def escaped(text, code_page):
    """Text with every non-ASCII character as \\'hh bytes of `code_page`."""
    out = []
    for ch in text:
        if ord(ch) < 128:
            out.append(ch)
        else:
            out.extend("\\'%02x" % b for b in ch.encode(code_page))
    return "".join(out)


def shift_jis(text):
    """Shift JIS bytes, lead bytes as \\'hh and ASCII trail bytes as themselves."""
    raw = text.encode("cp932")
    out = []
    i = 0
    while i < len(raw):
        b = raw[i]
        if 0x81 <= b <= 0x9F or 0xE0 <= b <= 0xFC:
            out.append("\\'%02x" % b)
            t = raw[i + 1]
            ascii_trail = 0x40 <= t <= 0x7E and chr(t) not in "\\{}"
            out.append(chr(t) if ascii_trail else "\\'%02x" % t)
            i += 2
        else:
            out.append("\\'%02x" % b)
            i += 1
    return "".join(out)


def wordpad_cp1251():
    ru = lambda text: escaped(text, "cp1251")
    lines = [
        r"{\rtf1\ansi\ansicpg1251\deff0\deflang1049{\fonttbl{\f0\fswiss\fcharset204"
        r"{\*\fname Arial;}Arial CYR;}{\f1\fnil\fcharset0 Calibri;}{\f2\fnil\fcharset2 Symbol;}}",
        r"{\colortbl ;\red0\green0\blue255;}",
        r"{\*\generator Msftedit 5.41.21.2510;}\viewkind4\uc1\pard\sa200\sl276\slmult1"
        r"\lang1049\f0\fs22 " + ru("Пример документа, написанного в WordPad.") + r"\par",
        ru("Вторая строка: «кавычки» и номер ") + r"\u8470\'b9 42.\par",
        r"\pard{\pntext\f2\'b7\tab}{\*\pn\pnlvlblt\pnf2\pnindent0{\pntxtb\'b7}}"
        r"\fi-360\li720\sa200\sl276\slmult1 " + ru("Первый пункт списка") + r"\par",
        r"{\pntext\f2\'b7\tab}" + ru("Второй пункт") + r"\par",
        r"\pard\sa200\sl276\slmult1\f1\lang1033 English sentence in Calibri with "
        + escaped("café and naïve", "cp1252") + r" words.\f0\lang1049\par",
        r'{\field{\*\fldinst{HYPERLINK "http://example.org/wiki" }}{\fldrslt{\ul\cf1 '
        + ru("Ссылка") + r"}}}\f0\fs22  " + ru("на сайт ёлки.") + r"\par",
        "}",
    ]
    # WordPad ends its files with a zero byte.
    return "\r\n".join(lines) + "\r\n\x00"


def wordpad_shift_jis():
    lines = [
        r"{\rtf1\ansi\ansicpg932\deff0\deflang1033\deflangfe1041{\fonttbl{\f0\fnil\fcharset128 "
        + escaped("ＭＳ Ｐゴシック", "cp932") + r";}{\f1\fnil\fcharset0 Arial;}}",
        r"{\*\generator Riched20 10.0.19041}\viewkind4\uc1 \pard\f1\fs20\lang1033 "
        r"Meeting notes from Osaka\par",
        r"\f0\lang1041 " + shift_jis("本日の会議は東京で行われました。")
        + r"\f1\lang1033  Attendees agreed on the budget.\par",
        r"\f0 " + shift_jis("ソフトウェア") + r"\f1  release follows in spring.\par",
        "}",
    ]
    return "\r\n".join(lines) + "\r\n"


def mac_word5():
    lines = [
        r"{\rtf1\mac\deff2 {\fonttbl{\f0\fswiss Chicago;}{\f2\froman New York;}"
        r"{\f3\fswiss Geneva;}{\f4\fmodern Monaco;}{\f20\froman Times;}{\f21\fswiss Helvetica;}"
        r"{\f23\ftech Symbol;}}",
        r"{\colortbl\red0\green0\blue0;\red0\green0\blue255;\red255\green0\blue0;}"
        r"{\stylesheet{\s243\qc\tqc\tx4320\tqr\tx8640 \f20 \sbasedon0\snext243 footer;}"
        r"{\f20 \sbasedon222\snext0 Normal;}}",
        r"{\info{\title Recipe Collection}{\author Am\'8elie Dupr\'8e}{\operator Am\'8elie}"
        r"{\creatim\yr1994\mo5\dy2\hr14\min3}{\version1}{\edmins30}{\nofpages1}{\nofwords240}"
        r"{\nofchars1300}{\vern16504}}",
        r"\paperw11900\paperh16840\margl1440\margr1440\widowctrl\ftnbj \sectd \linemod0\linex0"
        r"\cols1\endnhere {\footer \pard\plain \s243\qc\tqc\tx4320\tqr\tx8640 \f20 Kitchen "
        r"notebook, page {\chpgn }\par }\pard\plain \f20\fs28\b Cr\'8fme br\'9el\'8ee\par",
        r"\pard\plain \f20 The cr\'8fme br\'9el\'8ee needs fresh eggs, sugar and vanilla. "
        r"Whisk the yolks \'d2gently\'d3 and bake at 150 \'a1C for forty minutes\'c9\par",
        r"\pard \f20 \'a5 Separate the eggs\par",
        r"\pard \f20 \'a5 Caramelise the sugar under the grill\par",
        r"\pard \f20 Serve with a glass of Ros\'8e wine \'d0 or coffee. Bon app\'8etit!\par",
        r"\pard \f21 Lines that end with a backslash" "\\",
        r"make paragraphs too." "\\",
        "}",
    ]
    return "\r".join(lines) + "\r"


for name, text in [("hand-wordpad-cp1251.rtf", wordpad_cp1251()),
                   ("hand-wordpad-shiftjis.rtf", wordpad_shift_jis()),
                   ("hand-mac-word5.rtf", mac_word5())]:
    with open(name, "wb") as f:
        f.write(text.encode("ascii"))
