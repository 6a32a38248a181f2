# Cross build of the Windows programs for x86-64 with Debian's MinGW-w64
# compiler, win32 thread model. A test vehicle only: it lets the end-to-end
# suites run the same programs under Wine's 64-bit loader on machines that
# cannot run 32-bit code. The published setup program is the i686 build.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(SCR_MINGW_TRIPLET x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
