#!/usr/bin/env python3
"""Makes the damaged and encrypted fixtures of Quillet and Odrane (and Dovrin's encrypted
package) from the converted fixtures beside this script: a cut archive, a package whose main part
is malformed XML, an OpenDocument package with its mimetype last, one whose manifest marks
content.xml encrypted, and compound files holding an encrypted package (EncryptionInfo and
EncryptedPackage streams), written by the small compound-file writer below."""
import struct
import zipfile
from pathlib import Path

HERE = Path(__file__).resolve().parent
ODF = HERE / '../../parser-odf/testdata'
WORD = HERE / '../../parser-word/testdata'

FREE, END, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF


def dir_entry(name, kind, left=NOSTREAM, right=NOSTREAM, child=NOSTREAM, start=END, size=0):
    encoded = (name + '\0').encode('utf-16-le') if name else b''
    return (encoded.ljust(64, b'\0') + struct.pack('<HBB3I', len(encoded), kind, 1, left, right,
                                                   child)
            + b'\0' * 36 + struct.pack('<IQ', start, size))


def compound_file(streams):
    """A version 3 compound file (512-byte sectors) whose root holds `streams` (name, bytes),
    each padded to at least 4096 bytes so that none lives in the mini stream. The names must be
    given in the directory's order (shorter first), each the right sibling of the one before."""
    sector = 512
    data = [s.ljust(max(4096, -(-len(s) // sector) * sector), b'\0') for _, s in streams]
    fat = [FATSECT, END]
    starts = []
    for blob in data:
        first = len(fat)
        count = len(blob) // sector
        starts.append(first)
        fat += [first + i + 1 for i in range(count - 1)] + [END]
    assert len(fat) <= sector // 4
    fat += [FREE] * (sector // 4 - len(fat))
    entries = [dir_entry('Root Entry', 5, child=1)]
    for i, (name, blob) in enumerate(streams):
        right = i + 2 if i + 1 < len(streams) else NOSTREAM
        entries.append(dir_entry(name, 2, right=right, start=starts[i], size=len(blob)))
    while len(entries) % 4:
        entries.append(dir_entry('', 0))
    assert len(entries) == 4
    header = (b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + b'\0' * 16 +
              struct.pack('<HHHHH', 0x3E, 3, 0xFFFE, 9, 6) + b'\0' * 6 +
              struct.pack('<IIIIIIIII', 0, 1, 1, 0, 4096, END, 0, END, 0) +
              struct.pack('<109I', 0, *([FREE] * 108)))
    assert len(header) == sector
    return (header + struct.pack('<128I', *fat) + b''.join(entries) + b''.join(data))


def encrypted_package():
    info = struct.pack('<HHI', 4, 4, 0x40) + b'<?xml version="1.0"?><encryption/>'
    package = struct.pack('<Q', 5000) + bytes((i * 37) & 0xFF for i in range(5000))
    return compound_file([('EncryptionInfo', info), ('EncryptedPackage', package)])


def rezip(source, target, order=None, change=None):
    with zipfile.ZipFile(source) as zin:
        names = zin.namelist()
        if order:
            names = order(names)
        with zipfile.ZipFile(target, 'w', zipfile.ZIP_DEFLATED) as zout:
            for name in names:
                data = zin.read(name)
                if change:
                    data = change(name, data)
                zout.writestr(name, data)


def main():
    blob = encrypted_package()
    (HERE / 'encrypted.docx').write_bytes(blob)
    (WORD / 'encrypted-package.doc').write_bytes(blob)

    report = (HERE / 'writer-report.docx').read_bytes()
    (HERE / 'truncated.docx').write_bytes(report[:len(report) // 2])
    rezip(HERE / 'writer-report.docx', HERE / 'malformed.docx',
          change=lambda n, d: d[:len(d) * 2 // 3] if n == 'word/document.xml' else d)

    odt = ODF / 'writer-report.odt'
    rezip(odt, ODF / 'mimetype-last.odt', order=lambda names: sorted(names, reverse=True))
    rezip(odt, ODF / 'malformed.odt',
          change=lambda n, d: d[:len(d) * 2 // 3] if n == 'content.xml' else d)
    (ODF / 'truncated.odt').write_bytes(odt.read_bytes()[:odt.stat().st_size // 2])

    def encrypt(name, data):
        if name == 'META-INF/manifest.xml':
            return data.replace(
                b'manifest:full-path="content.xml" manifest:media-type="text/xml"/>',
                b'manifest:full-path="content.xml" manifest:media-type="text/xml">'
                b'<manifest:encryption-data manifest:checksum-type="SHA1/1K" '
                b'manifest:checksum="AAAA"/></manifest:file-entry>')
        if name == 'content.xml':
            return bytes((b * 7 + 3) & 0xFF for b in data)
        return data
    rezip(odt, ODF / 'encrypted.odt', change=encrypt)
    assert b'encryption-data' in zipfile.ZipFile(ODF / 'encrypted.odt').read('META-INF/manifest.xml')


main()
