// A tiny library for the loader's tests: two exports with the plug-ins' underscore names, a
// counter that shows whether the library was unloaded, and a function that stays hidden.

#if defined(_WIN32)
#define FIXTURE_EXPORT extern "C" __declspec(dllexport)
#else
#define FIXTURE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {
int load_counter = 0;  // zero again after an unload and a fresh load
}  // namespace

extern "C" int NotExported() { return 7; }  // hidden: built with hidden visibility, not marked for export

FIXTURE_EXPORT int _Answer() { return 42; }
FIXTURE_EXPORT int _Twice(int x) { return 2 * x; }
FIXTURE_EXPORT int _Bump() { return ++load_counter; }
