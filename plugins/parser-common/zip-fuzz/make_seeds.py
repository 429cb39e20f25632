#!/usr/bin/env python3
"""Writes the seeds of zip_fuzz into fuzz-corpus/ beside this script: small archives shaped
like Office and OpenDocument files, and the odd forms the reader must handle."""
import io
import os
import struct
import zipfile
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fuzz-corpus")
DOCUMENT = (b'<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\r\n'
            b'<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main">'
            b'<w:body><w:p><w:r><w:t>Hello &amp; goodbye</w:t></w:r></w:p></w:body></w:document>')
RELS = (b'<?xml version="1.0"?><Relationships xmlns="http://schemas.openxmlformats.org/package/'
        b'2006/relationships"><Relationship Id="rId1" Type="t" Target="media/a.png"/>'
        b'</Relationships>')


class Unseekable(io.RawIOBase):
    """A stream zipfile cannot seek back in: it writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def docx():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("[Content_Types].xml", b'<Types xmlns="urn:t"/>')
        z.writestr("word/document.xml", DOCUMENT)
        z.writestr("word/_rels/document.xml.rels", RELS)
        z.writestr("word/media/a.png", b"\x89PNG" + bytes(40), zipfile.ZIP_STORED)
    return out.getvalue()


def odt_with_comment():
    out = io.BytesIO()
    with zipfile.ZipFile(out, "w") as z:
        z.writestr("mimetype", b"application/vnd.oasis.opendocument.text", zipfile.ZIP_STORED)
        z.writestr("content.xml", b"<office:document-content xmlns:office='urn:o'>"
                   b"<text>words</text></office:document-content>", zipfile.ZIP_DEFLATED)
        z.comment = b"a comment at the end"
    return out.getvalue()


def descriptors():
    out = Unseekable()
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        with z.open("word/document.xml", "w") as f:
            f.write(DOCUMENT * 3)
        with z.open("stored", "w") as f:
            f.write(b"plain")
    return bytes(out.data)


def zip64():
    """Saturated central fields with a ZIP64 extra field, and the ZIP64 end records."""
    data = DOCUMENT * 2
    packed = zlib.compress(data, 9)[2:-4]
    crc = zlib.crc32(data)
    name = b"word/document.xml"
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 45, 0, 8, 0, 0, crc, len(packed), len(data),
                        len(name), 0) + name + packed
    extra = struct.pack("<HHQQQ", 1, 24, len(data), len(packed), 0)
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 45, 0, 8, 0, 0, crc,
                          0xFFFFFFFF, 0xFFFFFFFF, len(name), len(extra), 0, 0, 0, 0,
                          0xFFFFFFFF) + name + extra
    record = len(local) + len(central)
    end64 = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 1, 1, len(central),
                        len(local))
    locator = struct.pack("<IIQI", 0x07064B50, 0, record, 1)
    end = struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
    return local + central + end64 + locator + end


def main():
    os.makedirs(HERE, exist_ok=True)
    write("docx-like.zip", docx())
    write("odt-comment.zip", odt_with_comment())
    write("data-descriptors.zip", descriptors())
    write("zip64.zip", zip64())


if __name__ == "__main__":
    main()
