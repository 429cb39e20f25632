// Little-endian numbers read out of and written into bytes, field by field: the one reader and
// writer of every binary format here (the index files, plug-in containers, datagrams, digests).
// Nothing is cast over bytes, so the host's byte order and alignment do not matter.
#ifndef ORU_PLATFORM_LITTLE_ENDIAN_H_
#define ORU_PLATFORM_LITTLE_ENDIAN_H_

#include <cstddef>
#include <cstdint>
#include <string>

namespace oru::platform {

// The unsigned number in the `width` (at most 8) bytes at `p`, least significant first.
inline uint64_t ReadLe(const uint8_t* p, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i > 0; --i) value = (value << 8) | p[i - 1];
  return value;
}
inline uint64_t ReadLe(const char* p, size_t width) {
  return ReadLe(reinterpret_cast<const uint8_t*>(p), width);
}
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t{p[0]} | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}
inline uint64_t ReadLe64(const uint8_t* p) {
  return uint64_t{ReadLe32(p)} | (uint64_t{ReadLe32(p + 4)} << 32);
}

// Writes the low `width` (at most 8) bytes of `value` at `p`, least significant first.
inline void WriteLe(uint8_t* p, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}
inline void WriteLe(char* p, uint64_t value, size_t width) {
  WriteLe(reinterpret_cast<uint8_t*>(p), value, width);
}
inline void WriteLe16(uint8_t* p, uint16_t value) { WriteLe(p, value, 2); }
inline void WriteLe32(uint8_t* p, uint32_t value) { WriteLe(p, value, 4); }
inline void WriteLe64(uint8_t* p, uint64_t value) { WriteLe(p, value, 8); }

// The low `width` (at most 8) bytes of `value`, least significant first, as a string to append.
inline std::string LeBytes(uint64_t value, size_t width) {
  std::string bytes(width, '\0');
  WriteLe(bytes.data(), value, width);
  return bytes;
}

}  // namespace oru::platform

#endif  // ORU_PLATFORM_LITTLE_ENDIAN_H_
