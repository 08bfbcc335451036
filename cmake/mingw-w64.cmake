# Cross build for 64-bit Windows with Debian's mingw-w64 (posix threads, so
# std::thread and the pthread calls work as on Linux). The libraries are looked
# for in DRENSOLK_WIN_PREFIX (scripts/windows/build-libs.sh fills it) and in
# the toolchain's own folder, never on the build machine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${_triple}-windres)
set(CMAKE_AR ${_triple}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${_triple}-gcc-ranlib-posix CACHE FILEPATH "")

if(NOT DRENSOLK_WIN_PREFIX AND DEFINED ENV{DRENSOLK_WIN_PREFIX})
  set(DRENSOLK_WIN_PREFIX $ENV{DRENSOLK_WIN_PREFIX})
endif()
set(DRENSOLK_WIN_PREFIX "${DRENSOLK_WIN_PREFIX}" CACHE PATH "The cross-built libraries' prefix")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES DRENSOLK_WIN_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${_triple} ${DRENSOLK_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config reads only the prefix's .pc files.
if(DRENSOLK_WIN_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} ${DRENSOLK_WIN_PREFIX}/lib/pkgconfig)
  set(ENV{PKG_CONFIG_PATH} "")
endif()

