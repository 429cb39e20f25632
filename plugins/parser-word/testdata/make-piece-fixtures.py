#!/usr/bin/env python3
"""Writes the Word documents that exercise Dovrin's piece-table reading.

Usage: make-piece-fixtures.py OUTDIR

Word writes a document's text as a list of pieces (the piece table), each 8-bit
or 16-bit, in any order in the WordDocument stream; LibreOffice only ever
writes one piece, so these documents are built here byte by byte: a compound
file (512-byte sectors, every stream at least 4096 bytes so that none goes to
the mini stream) holding a WordDocument stream and, for Word 97 documents, a
table stream. Every document has a "region" text at fcMin..fcMac that differs
from the text its pieces give, so a test sees which of the two was read.
Standard library only; the output is the same on every run.
"""
import os
import struct
import sys

SECTOR = 512
END_OF_CHAIN = 0xFFFFFFFE
FREE = 0xFFFFFFFF
FAT_SECTOR = 0xFFFFFFFD

# Word 97 file information block
FIB97_SIZE = 0x1AA + 16
CLX97_AT = 0x1A2
# Word 6 / Word 95 file information block
FIB6_SIZE = 0x200
CLX6_AT = 0x160

COMPLEX = 0x0004
ENCRYPTED = 0x0100
WHICH_TABLE = 0x0200
OBFUSCATED = 0x8000

FIELD_BEGIN, FIELD_SEPARATOR, FIELD_END = "\x13", "\x14", "\x15"


def compound_file(streams):
    """streams: list of (name, bytes). Returns the whole compound file."""
    padded = [(name, data + b"\0" * max(0, 4096 - len(data)), len(data))
              for name, data in streams]
    chains = []
    sizes = [(len(data) + SECTOR - 1) // SECTOR for _, data, _ in padded]
    total = 1 + sum(sizes)  # the directory and the streams
    fat_sectors = 1
    while fat_sectors * (SECTOR // 4) < total + fat_sectors:
        fat_sectors += 1
    assert fat_sectors <= 109
    fat = [FAT_SECTOR] * fat_sectors
    next_sector = fat_sectors
    directory_sector = next_sector
    fat.append(END_OF_CHAIN)
    next_sector += 1
    for n in sizes:
        chains.append(next_sector)
        fat.extend(range(next_sector + 1, next_sector + n))
        fat.append(END_OF_CHAIN)
        next_sector += n
    fat += [FREE] * (fat_sectors * (SECTOR // 4) - len(fat))

    def entry(name, kind, right, child, start, size):
        raw = name.encode("utf-16-le") + b"\0\0"
        return (raw + b"\0" * (64 - len(raw)) +
                struct.pack("<HBB", len(raw), kind, 1) +       # name size, type, black
                struct.pack("<III", FREE, right, child) +      # left, right, child
                b"\0" * 36 +                                  # class, state bits, times
                struct.pack("<IQ", start, size))

    directory = entry("Root Entry", 5, FREE, 1, END_OF_CHAIN, 0)
    for i, (name, _, size) in enumerate(padded):
        right = i + 2 if i + 1 < len(padded) else FREE
        directory += entry(name, 2, right, FREE, chains[i], max(size, 4096))
    directory += b"\0" * (SECTOR - len(directory))
    assert len(directory) == SECTOR

    header = bytearray(SECTOR)
    header[0:8] = bytes.fromhex("D0CF11E0A1B11AE1")
    struct.pack_into("<HHHHH", header, 0x18, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIIII", header, 0x28, 0, fat_sectors, directory_sector, 0,
                     4096, END_OF_CHAIN, 0, END_OF_CHAIN, 0)
    difat = list(range(fat_sectors)) + [FREE] * (109 - fat_sectors)
    struct.pack_into("<109I", header, 0x4C, *difat)

    out = bytes(header) + struct.pack("<%dI" % len(fat), *fat) + directory
    for _, data, _ in padded:
        out += data + b"\0" * (-len(data) % SECTOR)
    return out


def place(buffer, at, data):
    if len(buffer) < at + len(data):
        buffer.extend(b"\0" * (at + len(data) - len(buffer)))
    buffer[at:at + len(data)] = data


def clx(pieces, prc=b"", word97=True):
    """pieces: list of (chars, stream offset, eight_bit). Returns the Clx bytes."""
    cps, cp = [0], 0
    descriptors = b""
    for chars, offset, eight_bit in pieces:
        cp += chars
        cps.append(cp)
        fc = offset * 2 | 0x40000000 if (eight_bit and word97) else offset
        descriptors += struct.pack("<HIH", 0, fc, 0)
    plc = struct.pack("<%dI" % len(cps), *cps) + descriptors
    return prc + struct.pack("<BI", 2, len(plc)) + plc


def encode(text, eight_bit, codec="cp1252"):
    return text.encode(codec) if eight_bit else text.encode("utf-16-le")


class Doc:
    """A Word 97 document: a region text at fcMin (16-bit, stream offset 0x800) and pieces
    laid wherever they are put."""

    def __init__(self, region="Region words only.\r", flags=0, word6=False, lid=0x409,
                 codec="cp1252"):
        self.word6 = word6
        self.flags = flags
        self.lid = lid  # the document's language; a Word 6 document's 8-bit text is in its code page
        self.codec = codec
        self.stream = bytearray(FIB6_SIZE if word6 else FIB97_SIZE)
        self.region_at = 0x800
        region_bytes = encode(region, word6, codec)
        place(self.stream, self.region_at, region_bytes)
        self.region_end = self.region_at + len(region_bytes)
        self.pieces = []
        self.chars = 0
        self.clx_override = None
        self.table_name = "1Table" if flags & WHICH_TABLE else "0Table"
        self.table_written = None

    def piece(self, text, at, eight_bit):
        data = encode(text, eight_bit or self.word6, self.codec)
        place(self.stream, at, data)
        self.pieces.append((len(text), at, eight_bit))
        self.chars += len(text)
        return self

    def build(self):
        s = self.stream
        clx_bytes = self.clx_override if self.clx_override is not None else \
            clx(self.pieces, word97=not self.word6)
        if self.word6:
            struct.pack_into("<HHHHHH", s, 0, 0xA5DC, 104, 0x2068, self.lid, 0, self.flags)
            clx_at = (len(s) + 0xFF) & ~0xFF
            place(s, clx_at, clx_bytes)
            struct.pack_into("<II", s, 24, self.region_at, self.region_end)
            struct.pack_into("<I", s, 32, len(s))
            struct.pack_into("<I", s, 52, self.chars or (self.region_end - self.region_at))
            struct.pack_into("<II", s, CLX6_AT, clx_at, len(clx_bytes))
            return compound_file([("WordDocument", bytes(s))])
        struct.pack_into("<HHHHHHH", s, 0, 0xA5EC, 0xC1, 0x6A62, 0x409, 0, self.flags, 0xBF)
        struct.pack_into("<II", s, 24, self.region_at, self.region_end)
        struct.pack_into("<H", s, 32, 14)
        struct.pack_into("<H", s, 62, 22)
        struct.pack_into("<I", s, 64, len(s))
        struct.pack_into("<I", s, 76, self.chars)  # ccpText: all text is main text
        struct.pack_into("<H", s, 152, 93)
        table = bytearray(0x100)
        table += clx_bytes
        struct.pack_into("<II", s, CLX97_AT, 0x100, len(clx_bytes))
        name = self.table_written or self.table_name
        return compound_file([("WordDocument", bytes(s)), (name, bytes(table))])


def documents():
    docs = {}

    # Fields: a hyperlink (code and result), a page number without a separator, a
    # cross-reference to a bookmark.
    d = Doc()
    d.piece("Visit " + FIELD_BEGIN + ' HYPERLINK "http://example.com/hiddenpage" ' +
            FIELD_SEPARATOR + "our website" + FIELD_END + " today.\rPage " + FIELD_BEGIN +
            " PAGE " + FIELD_END + "ends. See " + FIELD_BEGIN + " PAGEREF secretmark \\h " +
            FIELD_SEPARATOR + "section three" + FIELD_END + ".\r", 0x1000, False)
    docs["fields"] = d

    # Nested fields: a merge field inside the code of a condition, whose result is kept;
    # a field with neither separator holding another one.
    d = Doc()
    d.piece("Before " + FIELD_BEGIN + " IF " + FIELD_BEGIN + " MERGEFIELD Gender " +
            FIELD_SEPARATOR + "Female" + FIELD_END + ' = "F" "Madam" "Sir" ' +
            FIELD_SEPARATOR + "Madam" + FIELD_END + " after. " + FIELD_BEGIN +
            " INCLUDETEXT " + FIELD_BEGIN + " FILENAME " + FIELD_END + " MERGEFORMAT " +
            FIELD_END + "last " + FIELD_BEGIN + " QUOTE " + FIELD_SEPARATOR + "outer " +
            FIELD_BEGIN + " DATE " + FIELD_SEPARATOR + "inner" + FIELD_END + " kept" +
            FIELD_END + ".\r", 0x1000, False)
    docs["nested-fields"] = d

    # Four pieces out of stream order, 8-bit and 16-bit, with stale bytes between them.
    d = Doc(region="Stale region text never shown.\r")
    place(d.stream, 0x0A00, b"STALEBYTES " * 20)
    d.piece("Greek \u03b8\u03ac\u03bb\u03b1\u03c3\u03c3\u03b1 first ", 0x1800, False)
    d.piece("caf\u00e9 second ", 0x0C00, True)
    d.piece("\u0431\u0435\u0440\u0435\u0433 third ", 0x1400, False)
    d.piece("na\u00efve fourth.\r", 0x0B00, True)
    docs["pieces"] = d

    # Fast-saved: fcMin..fcMac holds the text as it was before the last save; the pieces take
    # what was kept of it and the text appended after it.
    old = "Original draft paragraph obsolete wording.\r"
    d = Doc(region=old, flags=COMPLEX | WHICH_TABLE)
    d.pieces.append((len("Original draft paragraph "), d.region_at, False))
    d.chars += len("Original draft paragraph ")
    d.piece("revised wording appended.\r", 0x1200, True)
    docs["fastsaved"] = d

    # Encrypted (and obfuscated): readable-looking bytes that must not be taken as text.
    d = Doc(flags=ENCRYPTED | OBFUSCATED)
    d.piece("Secret plaintext lookalike.\r", 0x1000, False)
    docs["encrypted"] = d

    # Obfuscation bit alone means nothing (it only counts with the encryption bit).
    d = Doc(flags=OBFUSCATED)
    d.piece("Obfuscation flag alone readable.\r", 0x1000, False)
    docs["obfuscated-flag-alone"] = d

    # Word 95: fast-saved with its own piece table in the WordDocument stream; and one
    # saved in full, read from fcMin to fcMac.
    d = Doc(region="Word95 stale region.\r", flags=COMPLEX, word6=True)
    d.piece("Word95 pieces ", 0x1000, True)
    d.piece("\u00e0 la carte.\r", 0x0C00, True)
    docs["word95"] = d
    d = Doc(region="Word95 full save caf\u00e9.\r", word6=True)
    docs["word95-plain"] = d
    # Word 95 in Russian and in Greek: 8-bit text in the code page of the document's language.
    d = Doc(region="\u041f\u0440\u0438\u043b\u043e\u0436\u0435\u043d\u0438\u0435 "
            "\u043a \u0434\u043e\u0433\u043e\u0432\u043e\u0440\u0443.\r",
            word6=True, lid=0x419, codec="cp1251")
    docs["word95-russian"] = d
    d = Doc(region="\u0391\u03bd\u03ac\u03bb\u03c5\u03c3\u03b7 \u03c7\u03b8\u03b5\u03c2.\r",
            word6=True, lid=0x408, codec="cp1253")
    docs["word95-greek"] = d

    # Malformed piece tables: each falls back to the region text.
    def malformed(name, change):
        d = Doc()
        d.piece("Piece words ", 0x1000, False)
        d.piece("more piece words.\r", 0x1100, True)
        change(d)
        docs["malformed-" + name] = d

    def past_stream(d):
        d.pieces[1] = (d.pieces[1][0], 0x7FFFF000, True)
    malformed("past-stream", past_stream)

    def cp_order(d):
        d.clx_override = clx(d.pieces)
        plc = bytearray(d.clx_override)
        struct.pack_into("<I", plc, 5 + 4, 40)  # cp[1] = 40 > cp[2]
        d.clx_override = bytes(plc)
    malformed("cp-order", cp_order)

    def clx_tail(d):
        d.clx_override = clx(d.pieces) + b"\0\0\0\0"
    malformed("clx-tail", clx_tail)

    def no_piece_list(d):
        d.clx_override = struct.pack("<BH", 1, 3) + b"\x01\x02\x03" + b"\x07" * 20
    malformed("no-piece-list", no_piece_list)

    def list_size_overflow(d):
        plc = bytearray(clx(d.pieces, prc=struct.pack("<BH", 1, 2) + b"\x08\x00"))
        struct.pack_into("<I", plc, 5 + 1, 0xFFFFFFF4)
        d.clx_override = bytes(plc)
    malformed("size-overflow", list_size_overflow)

    def cp_overflow(d):
        d.pieces = [(0xFFFFFFF0, 0x1000, False)]
    malformed("cp-overflow", cp_overflow)

    def overlapping(d):
        d.pieces = [(0x800, 0x1000, False)] * 4000  # 4000 pieces over the same 4 KiB
    malformed("overlapping", overlapping)

    def no_table(d):
        d.table_written = "1Table"  # the flags name 0Table
    malformed("no-table", no_table)

    return docs


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, doc in sorted(documents().items()):
        with open(os.path.join(out, name + ".doc"), "wb") as f:
            f.write(doc.build())


if __name__ == "__main__":
    main(sys.argv[1])
