#!/usr/bin/env python3
"""Print layout facts about a Word 97 .doc compound file.

Usage: doclayout.py FILE.doc

Reads the compound file by hand (header, FAT, directory, mini stream), then
the FIB and the piece table of the WordDocument stream. Standard library only.
"""
import struct
import sys

END_OF_CHAIN = 0xFFFFFFFE
FREE_SECT = 0xFFFFFFFF


def u16(b, o):
    return struct.unpack_from("<H", b, o)[0]


def u32(b, o):
    return struct.unpack_from("<I", b, o)[0]


class Cfb:
    def __init__(self, data):
        self.data = data
        if data[:8] != bytes.fromhex("D0CF11E0A1B11AE1"):
            raise ValueError("not a compound file")
        self.sector_size = 1 << u16(data, 0x1E)
        self.mini_size = 1 << u16(data, 0x20)
        self.first_dir = u32(data, 0x30)
        self.cutoff = u32(data, 0x38)
        self.first_minifat = u32(data, 0x3C)
        first_difat = u32(data, 0x44)
        difat = [u32(data, 0x4C + 4 * i) for i in range(109)]
        sect = first_difat
        per = self.sector_size // 4
        while sect not in (END_OF_CHAIN, FREE_SECT):
            s = self.sector(sect)
            difat += [u32(s, 4 * i) for i in range(per - 1)]
            sect = u32(s, 4 * (per - 1))
        self.fat = []
        for fs in difat:
            if fs in (END_OF_CHAIN, FREE_SECT):
                continue
            s = self.sector(fs)
            self.fat += [u32(s, 4 * i) for i in range(per)]
        dirdata = self.read_chain(self.first_dir, self.fat, self.sector_size)
        self.entries = []
        for i in range(len(dirdata) // 128):
            e = dirdata[128 * i:128 * (i + 1)]
            nlen = u16(e, 64)
            name = e[:max(nlen - 2, 0)].decode("utf-16-le")
            self.entries.append({
                "name": name, "type": e[66], "start": u32(e, 116),
                "size": u32(e, 120),
            })
        root = self.entries[0]
        self.ministream = self.read_chain(root["start"], self.fat,
                                          self.sector_size)[:root["size"]]
        self.minifat = []
        if self.first_minifat not in (END_OF_CHAIN, FREE_SECT):
            mf = self.read_chain(self.first_minifat, self.fat, self.sector_size)
            self.minifat = [u32(mf, 4 * i) for i in range(len(mf) // 4)]

    def sector(self, n):
        off = (n + 1) * self.sector_size
        return self.data[off:off + self.sector_size]

    def chain(self, start, fat):
        out = []
        s = start
        while s not in (END_OF_CHAIN, FREE_SECT) and len(out) <= len(fat):
            out.append(s)
            s = fat[s]
        return out

    def read_chain(self, start, fat, size):
        if size == self.sector_size:
            return b"".join(self.sector(s) for s in self.chain(start, fat))
        return b"".join(self.ministream[s * size:(s + 1) * size]
                        for s in self.chain(start, fat))

    def entry(self, name):
        for e in self.entries:
            if e["name"] == name and e["type"] == 2:
                return e
        return None

    def in_mini(self, e):
        return e["size"] < self.cutoff

    def stream(self, e):
        if self.in_mini(e):
            raw = self.read_chain(e["start"], self.minifat, self.mini_size)
        else:
            raw = self.read_chain(e["start"], self.fat, self.sector_size)
        return raw[:e["size"]]


def runs(chain):
    """Split a sector chain into runs of consecutive sector numbers."""
    out = []
    for s in chain:
        if out and out[-1][1] + 1 == s:
            out[-1][1] = s
        else:
            out.append([s, s])
    return out


def main(path):
    data = open(path, "rb").read()
    cfb = Cfb(data)
    wd_e = cfb.entry("WordDocument")
    wd = cfb.stream(wd_e)
    mini = cfb.in_mini(wd_e)
    fat = cfb.minifat if mini else cfb.fat
    ch = cfb.chain(wd_e["start"], fat)
    rn = runs(ch)
    print("file: %s" % path.split("/")[-1])
    print("file size: %d bytes" % len(data))
    print("sector size: %d, mini sector size: %d, mini stream cutoff: %d"
          % (cfb.sector_size, cfb.mini_size, cfb.cutoff))
    print("bytes at file offset 512..515: %s"
          % " ".join("%02X" % b for b in data[512:516]))
    print("streams (directory order): %s" % ", ".join(
        "%r(%d)" % (e["name"], e["size"])
        for e in cfb.entries if e["type"] == 2))
    storages = [e["name"] for e in cfb.entries if e["type"] == 1]
    print("storages other than root: %s" % (", ".join(storages) or "none"))
    print("WordDocument stream size: %d bytes" % wd_e["size"])
    print("WordDocument in mini stream: %s" % ("yes" if mini else "no"))
    print("WordDocument start %s: %d"
          % ("mini sector" if mini else "sector", wd_e["start"]))
    if not mini:
        print("WordDocument starts at file offset: %d"
              % ((wd_e["start"] + 1) * cfb.sector_size))
    print("WordDocument %s runs: %d (%s)" % (
        "mini sector" if mini else "sector", len(rn),
        ", ".join("%d-%d" % (a, b) if a != b else "%d" % a for a, b in rn)))
    wident = u16(wd, 0)
    nfib = u16(wd, 2)
    flags = u16(wd, 0x0A)
    fcmin = u32(wd, 24)
    fcmac = u32(wd, 28)
    table_name = "1Table" if flags & 0x0200 else "0Table"
    print("FIB wIdent (offset 0): 0x%04X" % wident)
    print("FIB nFib (offset 2): 0x%04X (%d)" % (nfib, nfib))
    print("FIB flags (offset 10): 0x%04X, fComplex=%d, fWhichTblStm=%d -> %s"
          % (flags, (flags >> 2) & 1, (flags >> 9) & 1, table_name))
    print("FIB fcMin (offset 24): 0x%08X (%d)" % (fcmin, fcmin))
    print("FIB fcMac (offset 28): 0x%08X (%d)" % (fcmac, fcmac))
    # Counted FIB: csw at 32, fibRgW, cslw, fibRgLw, cbRgFcLcb, fibRgFcLcb.
    csw = u16(wd, 32)
    lw_off = 34 + 2 * csw
    cslw = u16(wd, lw_off)
    rglw = lw_off + 2
    ccp_text = u32(wd, rglw + 12)
    fclcb = rglw + 4 * cslw + 2
    fc_clx = u32(wd, fclcb + 33 * 8)
    lcb_clx = u32(wd, fclcb + 33 * 8 + 4)
    print("FIB ccpText: %d" % ccp_text)
    print("FIB fcClx: %d, lcbClx: %d (in %s)" % (fc_clx, lcb_clx, table_name))
    te = cfb.entry(table_name)
    if te is None or lcb_clx == 0:
        print("text storage: could not tell (no table stream or no Clx)")
        return
    tbl = cfb.stream(te)
    clx = tbl[fc_clx:fc_clx + lcb_clx]
    i = 0
    while i < len(clx) and clx[i] == 0x01:
        i += 3 + u16(clx, i + 1)
    if i >= len(clx) or clx[i] != 0x02:
        print("text storage: could not tell (no Pcdt in Clx)")
        return
    lcb = u32(clx, i + 1)
    plc = clx[i + 5:i + 5 + lcb]
    n = (lcb - 4) // 12
    cps = [u32(plc, 4 * k) for k in range(n + 1)]
    kinds = set()
    text = []
    print("piece table: %d piece(s)" % n)
    for k in range(n):
        pcd = plc[4 * (n + 1) + 8 * k:4 * (n + 1) + 8 * (k + 1)]
        fcc = u32(pcd, 2)
        compressed = bool(fcc & 0x40000000)
        fc = fcc & 0x3FFFFFFF
        ncp = cps[k + 1] - cps[k]
        if compressed:
            off = fc // 2
            chunk = wd[off:off + ncp].decode("cp1252", "replace")
        else:
            off = fc
            chunk = wd[off:off + 2 * ncp].decode("utf-16-le", "replace")
        kinds.add("8-bit (compressed, cp1252)" if compressed
                  else "16-bit (UTF-16LE)")
        print("  piece %d: cp %d..%d, fCompressed=%d, text at stream offset "
              "%d..%d" % (k, cps[k], cps[k + 1], int(compressed), off,
                          off + (ncp if compressed else 2 * ncp)))
        text.append(chunk)
    print("text storage: %s" % " + ".join(sorted(kinds)))
    body = "".join(text)[:ccp_text]
    shown = body.replace("\r", "\\r").replace("\x0b", "\\v").replace(
        "\x0c", "\\f").replace("\x13", "\\x13").replace(
        "\x14", "\\x14").replace("\x15", "\\x15").replace("\x07", "\\a")
    if len(shown) > 300:
        shown = shown[:300] + "..."
    print("main text (first ccpText chars, escaped): %s" % shown)


if __name__ == "__main__":
    main(sys.argv[1])
