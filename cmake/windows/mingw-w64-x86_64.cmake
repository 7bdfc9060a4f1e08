# Cross build for Windows x86-64 with Debian's mingw-w64 (posix threads) against the prefix that
# scripts/windows-deps makes: static Qt 6, libcurl (Schannel), libsodium, GoogleTest.
#
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/windows/mingw-w64-x86_64.cmake \
#     -DORN_WINDOWS_PREFIX="$(scripts/windows-deps --print-prefix)"
#
# ORN_WINDOWS_PREFIX may come from the environment instead. Programs are linked with -static: the
# .exe files need no DLL of the compiler. Test programs run under Wine (CMAKE_CROSSCOMPILING_EMULATOR),
# in the Wine prefix beside the library prefix (made by scripts/windows-deps).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(ORN_WINDOWS_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORN_WINDOWS_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORN_WINDOWS_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${ORN_WINDOWS_TRIPLET}-windres)
set(CMAKE_AR ${ORN_WINDOWS_TRIPLET}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${ORN_WINDOWS_TRIPLET}-ranlib CACHE FILEPATH "")

# The prefix: a cache variable, else the environment. try_compile projects read this file again
# without the cache, so the value is passed on through the environment as well.
if(NOT ORN_WINDOWS_PREFIX AND DEFINED ENV{ORN_WINDOWS_PREFIX})
  set(ORN_WINDOWS_PREFIX "$ENV{ORN_WINDOWS_PREFIX}")
endif()
if(NOT ORN_WINDOWS_PREFIX)
  message(FATAL_ERROR "ORN_WINDOWS_PREFIX is not set: pass -DORN_WINDOWS_PREFIX=\"$(scripts/windows-deps --print-prefix)\"")
endif()
set(ORN_WINDOWS_PREFIX "${ORN_WINDOWS_PREFIX}" CACHE PATH "Windows libraries made by scripts/windows-deps")
set(ENV{ORN_WINDOWS_PREFIX} "${ORN_WINDOWS_PREFIX}")

set(CMAKE_FIND_ROOT_PATH "${ORN_WINDOWS_PREFIX}" /usr/${ORN_WINDOWS_TRIPLET})
set(CMAKE_PREFIX_PATH "${ORN_WINDOWS_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config (libsodium) looks in the prefix only, with static link lines.
set(ENV{PKG_CONFIG_LIBDIR} "${ORN_WINDOWS_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
set(PKG_CONFIG_ARGN --static CACHE STRING "")

# Qt's tools (moc, rcc, uic) come from the host's Qt of the same version.
set(QT_HOST_PATH /usr CACHE PATH "")
set(QT_HOST_PATH_CMAKE_DIR /usr/lib/x86_64-linux-gnu/cmake CACHE PATH "")

# No DLL of libgcc, libstdc++ or winpthread beside the programs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static-libgcc -static-libstdc++")

# Test programs run under Wine, quietly, in the Wine prefix that scripts/windows-deps sets up.
get_filename_component(_orn_windows_cache "${ORN_WINDOWS_PREFIX}" DIRECTORY)
set(CMAKE_CROSSCOMPILING_EMULATOR
    /usr/bin/env "WINEPREFIX=${_orn_windows_cache}/wine" WINEDEBUG=-all /usr/lib/wine/wine64)
