#include "platform/dynlib.h"

#include "platform/win32/error_result.h"
#include "platform/win32/win_api.h"

namespace oru::platform {

namespace {

thread_local std::string last_error;

void KeepLoaderError() { last_error = win32::ErrorText(::GetLastError()); }

}  // namespace

const char kLibrarySuffix[] = ".dll";

// The system's error boxes (a missing dependency, a damaged image) are turned off for the call:
// a failed load comes back as nullptr and never waits for a person. Forward slashes become
// backslashes, which LoadLibraryA needs in a path.
LibraryHandle LoadLibrary(const std::string& path) {
  if (path.empty()) {
    last_error = "empty library name";
    return nullptr;
  }
  std::string native = path;
  for (char& c : native) {
    if (c == '/') c = '\\';
  }
  DWORD old_mode = 0;
  const bool mode_set =
      ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_mode) != 0;
  HMODULE module = ::LoadLibraryA(native.c_str());
  if (module == nullptr) KeepLoaderError();
  if (mode_set) ::SetThreadErrorMode(old_mode, nullptr);
  return module;
}

void* FindExport(LibraryHandle library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  FARPROC address = ::GetProcAddress(static_cast<HMODULE>(library), name);
  if (address == nullptr) KeepLoaderError();
  return reinterpret_cast<void*>(address);
}

void FreeLibrary(LibraryHandle library) {
  if (library != nullptr) ::FreeLibrary(static_cast<HMODULE>(library));
}

std::string LastLoadError() { return last_error; }

}  // namespace oru::platform
