// Loading shared libraries by file name and binding their exports by exact name.
#ifndef ORU_PLATFORM_DYNLIB_H_
#define ORU_PLATFORM_DYNLIB_H_

#include <string>

namespace oru::platform {

// The file name ending of a library on this platform: ".so" on POSIX, ".dll" on Windows.
extern const char kLibrarySuffix[];

// An opaque handle of a loaded library; nullptr means none.
using LibraryHandle = void*;

// Loads the library at `path` (a name without a separator goes through the platform's library
// search; on Windows a '/' is taken for a backslash). Returns nullptr on failure, without
// showing any message. Every successful load needs one FreeLibrary.
LibraryHandle LoadLibrary(const std::string& path);
// The address of the export named exactly `name`, or nullptr when the library has none.
void* FindExport(LibraryHandle library, const char* name);
// Releases one load of `library`. A nullptr is ignored.
void FreeLibrary(LibraryHandle library);
// The loader's text for the last failure on this thread (for diagnostics only).
std::string LastLoadError();

// Owns one load of a library and releases it when destroyed. Not copyable.
class Library {
 public:
  Library() = default;
  explicit Library(LibraryHandle handle) : handle_(handle) {}
  ~Library() { FreeLibrary(handle_); }
  Library(Library&& other) noexcept : handle_(other.release()) {}
  Library& operator=(Library&& other) noexcept {
    if (this != &other) {
      FreeLibrary(handle_);
      handle_ = other.release();
    }
    return *this;
  }
  Library(const Library&) = delete;
  Library& operator=(const Library&) = delete;

  bool loaded() const { return handle_ != nullptr; }
  LibraryHandle get() const { return handle_; }
  LibraryHandle release() {
    LibraryHandle h = handle_;
    handle_ = nullptr;
    return h;
  }
  // The export named `name` as a pointer of type `Fn`, or nullptr.
  template <typename Fn>
  Fn Find(const char* name) const {
    return reinterpret_cast<Fn>(FindExport(handle_, name));
  }

 private:
  LibraryHandle handle_ = nullptr;
};

}  // namespace oru::platform

#endif  // ORU_PLATFORM_DYNLIB_H_
