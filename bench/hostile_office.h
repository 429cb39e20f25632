// Hostile Office Open XML and OpenDocument packages, made in memory for office_bench: each is
// built to cost a parser as much work per byte of file as its kind allows (a deflate bomb, tiny
// elements by the million, deep nesting, an entity bomb, 100,000 tiny entries, entries that
// overlap, one large part named by every slide of a long list).
#ifndef ORU_BENCH_HOSTILE_OFFICE_H_
#define ORU_BENCH_HOSTILE_OFFICE_H_

#include <cstdint>
#include <string>
#include <vector>

namespace oru::bench {

struct HostileFile {
  std::string name;  // with the extension that picks the plug-in
  std::string bytes;
};

// The hostile files, each about `scale` times 1 MB (the entry counts are fixed: 100,000 at most).
std::vector<HostileFile> HostileOfficeFiles(double scale);

// A workbook whose one sheet holds `cells` copies of a number cell, 100 to a row, deflated at
// the fast level as it is made (never held whole): 10 million come to about 1.5 MB.
std::string ManyCellsWorkbook(uint64_t cells);

}  // namespace oru::bench

#endif  // ORU_BENCH_HOSTILE_OFFICE_H_
