// Byte buffers kept from one document to the next. A plug-in reads documents one after another,
// most of them small: were each document's buffers handed back to the system at its end, the
// next one would ask for the same memory again, and both cost (returning memory flushes the
// address translation caches of every core; taking it back faults every page in again). The
// container readers take their larger buffers here and give them back when done; a few are
// kept, none larger than kMaxKeptBufferBytes, so a huge document pins nothing afterwards. What is
// kept is freed when the plug-in is unloaded (or the process ends). Safe to call from any thread.
#ifndef ORU_PLUGINS_PARSER_COMMON_BUFFER_CACHE_H_
#define ORU_PLUGINS_PARSER_COMMON_BUFFER_CACHE_H_

#include <cstddef>
#include <string>

namespace oru::containers {

inline constexpr size_t kKeptBuffers = 8;
inline constexpr size_t kMaxKeptBufferBytes = size_t{1} << 20;

// An empty buffer, with the capacity of one given back earlier when there is one.
std::string TakeBuffer();
// Keeps `buffer` (its contents dropped) for a later TakeBuffer, or frees it when it is too
// large or enough are kept.
void GiveBuffer(std::string buffer);

}  // namespace oru::containers

#endif  // ORU_PLUGINS_PARSER_COMMON_BUFFER_CACHE_H_
