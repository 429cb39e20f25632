// MD5 (RFC 1321) and the 16-bit word hash built on it.
#ifndef ORU_PLATFORM_MD5_H_
#define ORU_PLATFORM_MD5_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace oru::platform {

using Md5Digest = std::array<uint8_t, 16>;

// The MD5 digest of `n` bytes.
Md5Digest Md5(const void* data, size_t n);

// The XOR of the eight little-endian 16-bit words of the MD5 digest of `n` bytes.
// Allocates nothing. WordHash("abc") is 0x830D.
uint16_t WordHash(const void* data, size_t n);
inline uint16_t WordHash(std::string_view text) { return WordHash(text.data(), text.size()); }

}  // namespace oru::platform

#endif  // ORU_PLATFORM_MD5_H_
