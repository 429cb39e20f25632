#!/usr/bin/env python3
"""Writes the damaged and hostile fixtures of the Pelkan tests into the folder given:
a file without its cross-reference data, one whose offsets are all wrong, one cut in the middle,
cyclic references (page tree, references, a form drawing itself, a /Length naming its own
object), a deflate bomb after a page of text, deep nesting and absurd counts."""
import sys
import zlib

FONT = b"<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding >>"


def content(*lines):
    ops = [b"BT /F1 12 Tf 72 720 Td 14 TL"]
    for line in lines:
        ops.append(b"(" + line.encode() + b") '")
    ops.append(b"ET")
    return b"\n".join(ops)


def stream(data, extra=b""):
    return (b"<< " + extra + b" /Length " + str(len(data)).encode() + b" >>\nstream\n" + data +
            b"\nendstream")


def pdf(objects, trailer=b"", xref=True, root=b"1 0 R"):
    out = b"%PDF-1.4\n%\xe2\xe3\xcf\xd3\n"
    offsets = []
    for k, body in enumerate(objects):
        offsets.append(len(out))
        out += str(k + 1).encode() + b" 0 obj\n" + body + b"\nendobj\n"
    start = len(out)
    if xref:
        out += b"xref\n0 " + str(len(objects) + 1).encode() + b"\n0000000000 65535 f \n"
        for o in offsets:
            out += b"%010d 00000 n \n" % o
    out += (b"trailer\n<< /Size " + str(len(objects) + 1).encode() + b" /Root " + root + b" " +
            trailer + b" >>\nstartxref\n" + str(start).encode() + b"\n%%EOF\n")
    return out


def simple(lines, extra_objects=(), page_extra=b"", trailer=b""):
    objects = [b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 4 0 R >> >> "
               b"/Contents 5 0 R " + page_extra + b">>",
               FONT, stream(content(*lines))]
    return pdf(objects + list(extra_objects), trailer)


def write(folder, name, data):
    with open(folder + "/" + name, "wb") as f:
        f.write(data)


def main(folder):
    text = ["Tidal charts for the northern channel", "Moorings are checked every morning"]
    good = simple(text)
    write(folder, "missing-xref.pdf", good[:good.index(b"xref")])
    shifted = good.replace(b"%\xe2\xe3\xcf\xd3\n", b"%\xe2\xe3\xcf\xd3\n% thirty-two bytes shift all\n")
    write(folder, "wrong-offsets.pdf", shifted)
    # Cut inside the second page's content: the first page's words remain.
    two_pages = pdf([b"<< /Type /Catalog /Pages 2 0 R >>",
                     b"<< /Type /Pages /Kids [3 0 R 6 0 R] /Count 2 >>",
                     b"<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 4 0 R >> >> "
                     b"/Contents 5 0 R >>", FONT,
                     stream(content("Lantern oil delivered on Tuesday")),
                     b"<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 4 0 R >> >> "
                     b"/Contents 7 0 R >>",
                     stream(zlib.compress(content("Rope and canvas stored in the loft " * 20)),
                            b"/Filter /FlateDecode")])
    cut = two_pages.index(b"7 0 obj") + 120
    write(folder, "truncated.pdf", two_pages[:cut])
    # Cycles: the page tree lists itself, a reference chain loops, a form draws itself, and a
    # stream's /Length is its own object.
    cyclic = pdf([b"<< /Type /Catalog /Pages 2 0 R /Loop 8 0 R >>",
                  b"<< /Type /Pages /Kids [3 0 R 2 0 R 3 0 R] /Count 2147483647 >>",
                  b"<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 4 0 R >> "
                  b"/XObject << /Me 6 0 R >> >> /Contents 5 0 R >>", FONT,
                  stream(content("Buoys painted red and green") + b"\n/Me Do"),
                  b"<< /Type /XObject /Subtype /Form /Length 6 0 R >>\nstream\n"
                  b"BT /F1 12 Tf 72 600 Td (Signal horn tested) Tj ET /Me Do\nendstream",
                  b"9 0 R", b"7 0 R", b"8 0 R"])
    write(folder, "cyclic.pdf", cyclic)
    # A deflate bomb: 256 MiB of zeros, deflated twice, drawn after a page of text.
    inner = zlib.compressobj(9)
    chunks = [inner.compress(bytes(1 << 20)) for _ in range(256)]
    chunks.append(inner.flush())
    bomb = zlib.compress(b"".join(chunks), 9)
    write(folder, "deflate-bomb.pdf",
          pdf([b"<< /Type /Catalog /Pages 2 0 R >>",
               b"<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
               b"<< /Type /Page /Parent 2 0 R /Resources << /Font << /F1 4 0 R >> >> "
               b"/Contents [5 0 R 6 0 R] >>", FONT,
               stream(content("Harbour dues are payable in advance")),
               stream(bomb, b"/Filter [/FlateDecode /FlateDecode]")]))
    # Hostile numbers: deep nesting in a page, absurd /Size and /W in a cross-reference stream.
    deep = b"[" * 20000 + b"]" * 20000
    write(folder, "deep-nesting.pdf",
          simple(["Deep arrays follow the lighthouse keeper"],
                 extra_objects=[deep], page_extra=b"/Junk 6 0 R "))
    xref_rows = b"\x01\x00\x00\x00" * 4
    hostile = simple(["Absurd counts around a quiet jetty"])
    start = hostile.index(b"xref")
    hostile = (hostile[:start] + b"9 0 obj\n" +
               stream(xref_rows, b"/Type /XRef /Size 1000000000 /W [9 9 9] /Root 1 0 R") +
               b"\nendobj\nstartxref\n" + str(start).encode() + b"\n%%EOF\n")
    write(folder, "absurd-counts.pdf", hostile)


if __name__ == "__main__":
    main(sys.argv[1])
