// For the platform tests on Windows: whether they run under Wine, folder junctions, and file
// times set through the Win32 calls.
#ifndef ORU_PLATFORM_TEST_WINDOWS_H_
#define ORU_PLATFORM_TEST_WINDOWS_H_

#if defined(_WIN32)

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win_api.h"

#include <winioctl.h>

namespace oru::platform {

// True when the program runs under Wine, whose ntdll exports wine_get_version.
inline bool RunningUnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// Turns the empty folder `link` into a junction to the folder `target` (an absolute path), as
// "mklink /J" does; needs no privilege. False when the file system refuses.
inline bool MakeJunction(const std::string& link, const std::string& target) {
  HANDLE h = ::CreateFileA(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  std::u16string substitute = u"\\??\\";
  for (char c : target) substitute += static_cast<char16_t>(static_cast<unsigned char>(c));
  const uint16_t bytes = static_cast<uint16_t>(substitute.size() * 2);
  // The mount-point reparse buffer: tag, data length, reserved, then the substitute name's
  // offset and length, the print name's offset and length, and the names, each NUL-ended.
  const uint16_t data_length = static_cast<uint16_t>(8 + bytes + 2 + 2);
  std::vector<char> buffer(8 + data_length, 0);
  auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&buffer[at], &v, 2); };
  const uint32_t tag = IO_REPARSE_TAG_MOUNT_POINT;
  std::memcpy(&buffer[0], &tag, 4);
  put16(4, data_length);
  put16(8, 0);
  put16(10, bytes);
  put16(12, static_cast<uint16_t>(bytes + 2));
  put16(14, 0);
  std::memcpy(&buffer[16], substitute.data(), bytes);
  DWORD returned = 0;
  const bool ok = ::DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                    static_cast<DWORD>(buffer.size()), nullptr, 0, &returned,
                                    nullptr) != 0;
  ::CloseHandle(h);
  return ok;
}

// Seconds since 1970 (UTC) of a local date and time, converted as FileTimeToLocalFileTime
// converts back.
inline int64_t LocalToUnix(int year, int mon, int day, int h, int m, int s) {
  SYSTEMTIME st = {};
  st.wYear = static_cast<WORD>(year), st.wMonth = static_cast<WORD>(mon);
  st.wDay = static_cast<WORD>(day), st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(m), st.wSecond = static_cast<WORD>(s);
  FILETIME local, utc;
  if (!::SystemTimeToFileTime(&st, &local) || !::LocalFileTimeToFileTime(&local, &utc)) return 0;
  const int64_t ticks = static_cast<int64_t>((uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime);
  return ticks / 10000000 - 11644473600;
}

// Sets the last-write time of the file at `path` to `unix_seconds`.
inline bool SetWriteTime(const std::string& path, int64_t unix_seconds) {
  HANDLE h = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                           OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const uint64_t ticks = static_cast<uint64_t>(unix_seconds + 11644473600) * 10000000u;
  FILETIME t;
  t.dwLowDateTime = static_cast<DWORD>(ticks);
  t.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  const bool ok = ::SetFileTime(h, nullptr, nullptr, &t) != 0;
  ::CloseHandle(h);
  return ok;
}

}  // namespace oru::platform

#endif  // _WIN32

#endif  // ORU_PLATFORM_TEST_WINDOWS_H_
