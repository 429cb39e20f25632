#include "platform/memory.h"

#include "platform/win32/win_api.h"

namespace oru::platform {
namespace {

// True when this process may map large pages: the "lock pages in memory" privilege is held
// (and is then switched on in the process token). Asked once.
bool LargePagesAllowed() {
  static const bool allowed = [] {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
      return false;
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = ::LookupPrivilegeValueA(nullptr, "SeLockMemoryPrivilege",
                                      &privileges.Privileges[0].Luid) &&
              ::AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr) &&
              ::GetLastError() == ERROR_SUCCESS;  // ERROR_NOT_ALL_ASSIGNED: not held
    ::CloseHandle(token);
    return ok;
  }();
  return allowed;
}

}  // namespace

// VirtualAlloc hands out zero-filled memory on 64 KiB boundaries. A block of at least one large
// page is mapped with large pages when the privilege is held and the system has them to give;
// otherwise (the usual case) with normal pages.
bool LargeBlock::Allocate(size_t size) {
  Release();
  if (size == 0) return false;
  const size_t large_page = ::GetLargePageMinimum();
  if (large_page != 0 && size >= large_page && LargePagesAllowed()) {
    const size_t length = (size + large_page - 1) & ~(large_page - 1);
    void* p = ::VirtualAlloc(nullptr, length, MEM_COMMIT | MEM_RESERVE | MEM_LARGE_PAGES,
                             PAGE_READWRITE);
    if (p != nullptr) {
      data_ = p;
      size_ = size;
      mapped_ = length;
      return true;
    }
  }
  void* p = ::VirtualAlloc(nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (p == nullptr) return false;
  data_ = p;
  size_ = size;
  mapped_ = (size + 4095) & ~size_t{4095};
  return true;
}

void LargeBlock::Release() {
  if (data_ != nullptr) ::VirtualFree(data_, 0, MEM_RELEASE);
  data_ = nullptr;
  size_ = 0;
  mapped_ = 0;
}

void KeepFreedMemory() {
  // The process heap keeps what is freed for reuse by itself.
}

}  // namespace oru::platform
