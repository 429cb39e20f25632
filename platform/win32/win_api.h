// <windows.h> as the Win32 implementations include it: without min/max macros and the rarely
// used parts, and without the A/W macros whose names are also platform calls (LoadLibrary,
// FreeLibrary, DeleteFile), so that these keep naming oru::platform's functions. Include it
// after the platform headers; call the Win32 functions by their "A" names.
#ifndef ORU_PLATFORM_WIN32_WIN_API_H_
#define ORU_PLATFORM_WIN32_WIN_API_H_

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#undef LoadLibrary
#undef FreeLibrary
#undef DeleteFile
#undef CreateMutex
#undef GetCommandLine

#endif  // ORU_PLATFORM_WIN32_WIN_API_H_
