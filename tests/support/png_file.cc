#include "tests/support/png_file.h"

#include <zlib.h>

#include <fstream>

namespace oru::testing {
namespace {

// PNG's fields are big-endian.
void PutBe32(uint32_t value, std::string* out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift));
}

// A chunk: its length, type, data and the CRC of type and data.
void PutChunk(const char* type, const std::string& data, std::string* out) {
  PutBe32(static_cast<uint32_t>(data.size()), out);
  const std::string body = std::string(type, 4) + data;
  out->append(body);
  PutBe32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                      static_cast<uInt>(body.size()))),
          out);
}

}  // namespace

bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
  if (width <= 0 || height <= 0) return false;
  const size_t row = static_cast<size_t>(width) * 3;
  if (rgb.size() != row * static_cast<size_t>(height)) return false;
  // Each row starts with its filter type, 0: the bytes as they are.
  std::string raw;
  raw.reserve((row + 1) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    raw.push_back('\0');
    raw.append(reinterpret_cast<const char*>(rgb.data()) + row * static_cast<size_t>(y), row);
  }
  uLongf packed_size = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packed_size, '\0');
  if (compress(reinterpret_cast<Bytef*>(packed.data()), &packed_size,
               reinterpret_cast<const Bytef*>(raw.data()),
               static_cast<uLong>(raw.size())) != Z_OK) {
    return false;
  }
  packed.resize(packed_size);

  std::string header;
  PutBe32(static_cast<uint32_t>(width), &header);
  PutBe32(static_cast<uint32_t>(height), &header);
  // 8 bits, RGB, deflate, no filter, no interlace.
  header += std::string("\x08\x02\x00\x00\x00", 5);
  std::string file = "\x89PNG\r\n\x1a\n";
  PutChunk("IHDR", header, &file);
  PutChunk("IDAT", packed, &file);
  PutChunk("IEND", "", &file);
  std::ofstream out(path, std::ios::binary);
  out.write(file.data(), static_cast<std::streamsize>(file.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace oru::testing
