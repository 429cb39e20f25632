// Little-endian numbers read out of a byte buffer, field by field.
#ifndef ORU_PLUGINS_PARSER_COMMON_LITTLE_ENDIAN_H_
#define ORU_PLUGINS_PARSER_COMMON_LITTLE_ENDIAN_H_

#include <cstddef>
#include <cstdint>

// In namespace oru itself, so that every parser's own namespace finds them unqualified.
namespace oru {

// The unsigned number in the `width` (at most 8) bytes at `p`, least significant first.
inline uint64_t ReadLe(const uint8_t* p, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i > 0; --i) value = (value << 8) | p[i - 1];
  return value;
}
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(ReadLe(p, 2)); }
inline uint32_t ReadLe32(const uint8_t* p) { return static_cast<uint32_t>(ReadLe(p, 4)); }
inline uint64_t ReadLe64(const uint8_t* p) { return ReadLe(p, 8); }

}  // namespace oru

#endif  // ORU_PLUGINS_PARSER_COMMON_LITTLE_ENDIAN_H_
