# Cross build of the Windows programs with Debian's MinGW-w64 i686 compiler,
# win32 thread model (no libwinpthread dependency, smaller static runtime).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(SCR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
