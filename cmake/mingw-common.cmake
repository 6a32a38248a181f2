# What both MinGW-w64 toolchain files share: Debian's compilers of the
# win32 thread model for SCR_MINGW_TRIPLET, and its root for libraries and
# headers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${SCR_MINGW_TRIPLET}-gcc-win32)
set(CMAKE_CXX_COMPILER ${SCR_MINGW_TRIPLET}-g++-win32)
set(CMAKE_RC_COMPILER ${SCR_MINGW_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${SCR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
