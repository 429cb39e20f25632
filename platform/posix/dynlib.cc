#include "platform/dynlib.h"

#include <dlfcn.h>

namespace oru::platform {

namespace {

// dlerror's text is consumed by reading it; keep the last one for LastLoadError.
thread_local std::string last_error;

void KeepLoaderError(const char* fallback) {
  const char* text = ::dlerror();
  last_error = text != nullptr ? text : fallback;
}

}  // namespace

const char kLibrarySuffix[] = ".so";

LibraryHandle LoadLibrary(const std::string& path) {
  if (path.empty()) {  // dlopen would hand back the program itself
    last_error = "empty library name";
    return nullptr;
  }
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) KeepLoaderError("cannot load library");
  return handle;
}

void* FindExport(LibraryHandle library, const char* name) {
  if (library == nullptr || name == nullptr) return nullptr;
  ::dlerror();
  void* address = ::dlsym(library, name);
  if (address == nullptr) KeepLoaderError("no such export");
  return address;
}

void FreeLibrary(LibraryHandle library) {
  if (library != nullptr) ::dlclose(library);
}

std::string LastLoadError() { return last_error; }

}  // namespace oru::platform
