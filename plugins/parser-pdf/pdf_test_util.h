// Test helpers: small PDF files built in memory, with a correct cross-reference table.
#ifndef ORU_PLUGINS_PARSER_PDF_PDF_TEST_UTIL_H_
#define ORU_PLUGINS_PARSER_PDF_PDF_TEST_UTIL_H_

#include <zlib.h>

#include <cstdio>
#include <string>
#include <vector>

namespace oru::pdf::test {

// A file whose object k+1 is `objects[k]` (the text between "obj" and "endobj"), with a classic
// table and a trailer holding `trailer_extra` after /Size and /Root 1 0 R.
inline std::string MakePdf(const std::vector<std::string>& objects,
                           const std::string& trailer_extra = "") {
  std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
  std::vector<size_t> offsets;
  for (size_t k = 0; k < objects.size(); ++k) {
    offsets.push_back(out.size());
    out += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "\nendobj\n";
  }
  const size_t xref = out.size();
  out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
  for (size_t offset : offsets) {
    char line[32];
    std::snprintf(line, sizeof(line), "%010zu 00000 n \n", offset);
    out += line;
  }
  out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R " +
         trailer_extra + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return out;
}

// `data` compressed with zlib.
inline std::string Deflate(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size,
           reinterpret_cast<const Bytef*>(data.data()), data.size());
  out.resize(size);
  return out;
}

// A stream object body: the dictionary entries `dict` plus /Length, then the data.
inline std::string Stream(const std::string& dict, const std::string& data) {
  return "<< " + dict + " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream";
}

}  // namespace oru::pdf::test

#endif  // ORU_PLUGINS_PARSER_PDF_PDF_TEST_UTIL_H_
