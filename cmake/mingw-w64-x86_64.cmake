# Cross-compiles the Windows flavour with mingw-w64 (x86_64-w64-mingw32, POSIX thread model).
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# Everything links statically, so the programs and plug-ins need no runtime DLL beside them.
# Tests run under Wine through scripts/wine-run.sh, which takes the prefix from WINEPREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORU_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORU_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORU_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORU_MINGW_TRIPLET}-windres)
set(CMAKE_OBJDUMP ${ORU_MINGW_TRIPLET}-objdump)

set(CMAKE_FIND_ROOT_PATH /usr/${ORU_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No libgcc, libstdc++ or winpthread DLL at run time.
set(ORU_STATIC_LINK "-static -static-libgcc -static-libstdc++")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${ORU_STATIC_LINK}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${ORU_STATIC_LINK}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${ORU_STATIC_LINK}")
# find_package(ZLIB) takes libz.a (libz-mingw-w64-dev) over the import library libz.dll.a.
set(ZLIB_USE_STATIC_LIBS ON)

# Test programs (and test discovery) run under Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
