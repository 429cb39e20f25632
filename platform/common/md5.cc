// MD5 as RFC 1321 defines it, written for short inputs: nothing is allocated, the padded
// final block or two live on the stack.
#include "platform/md5.h"

#include <cstring>

#include "platform/little_endian.h"

namespace oru::platform {
namespace {

// Per-step shift amounts and the sine-derived constants T[i] = floor(2^32 * |sin(i + 1)|).
// clang-format off
constexpr uint8_t kShift[64] = {
    7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22, 7, 12, 17, 22,
    5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20, 5, 9,  14, 20,
    4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23, 4, 11, 16, 23,
    6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21, 6, 10, 15, 21,
};
// clang-format on
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr uint32_t RotateLeft(uint32_t x, unsigned s) { return (x << s) | (x >> (32 - s)); }

void Transform(uint32_t state[4], const uint8_t* block) {
  uint32_t x[16];
  for (int i = 0; i < 16; ++i) x[i] = ReadLe32(block + 4 * i);
  uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
  auto step = [&](unsigned i, uint32_t f, unsigned g) {
    const uint32_t rotated = RotateLeft(a + f + kSine[i] + x[g], kShift[i]);
    a = d;
    d = c;
    c = b;
    b += rotated;
  };
  for (unsigned i = 0; i < 16; ++i) step(i, (b & c) | (~b & d), i);
  for (unsigned i = 16; i < 32; ++i) step(i, (d & b) | (~d & c), (5 * i + 1) & 15);
  for (unsigned i = 32; i < 48; ++i) step(i, b ^ c ^ d, (3 * i + 5) & 15);
  for (unsigned i = 48; i < 64; ++i) step(i, c ^ (b | ~d), (7 * i) & 15);
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
}

}  // namespace

Md5Digest Md5(const void* data, size_t n) {
  uint32_t state[4] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};
  const uint8_t* p = static_cast<const uint8_t*>(data);
  size_t left = n;
  for (; left >= 64; left -= 64, p += 64) Transform(state, p);

  // The rest, the 0x80 marker, zeros and the bit length fill one block, or two when fewer
  // than 9 bytes of the first remain after the rest.
  uint8_t tail[128] = {};
  if (left > 0) std::memcpy(tail, p, left);
  tail[left] = 0x80;
  const size_t tail_size = left < 56 ? 64 : 128;
  const uint64_t bits = static_cast<uint64_t>(n) << 3;
  WriteLe64(tail + tail_size - 8, bits);
  Transform(state, tail);
  if (tail_size == 128) Transform(state, tail + 64);

  Md5Digest digest;
  for (size_t i = 0; i < 4; ++i) WriteLe32(digest.data() + 4 * i, state[i]);
  return digest;
}

uint16_t WordHash(const void* data, size_t n) {
  const Md5Digest d = Md5(data, n);
  uint16_t hash = 0;
  for (size_t i = 0; i < 16; i += 2) hash ^= ReadLe16(d.data() + i);
  return hash;
}

}  // namespace oru::platform
