# The Windows programs: setup.exe, scrpack.exe, the sample screensaver and
# the test drivers. Everything lands directly in the build folder:
# build/win32/ (i686, the product) or build/win64/ (x86-64, a test vehicle).
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Oz")
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -s -Wl,--gc-sections)

file(GLOB SCR_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp wizard/win32/*.cpp)
# The manifest names the processor its program and its Common-Controls
# dependency are for. Windows (and Wine) bind the side-by-side assembly of
# that architecture: an x86 one in a 64-bit process leaves the window
# classes of Common-Controls unregistered (the progress bar cannot be
# created), so each build names its own.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(SCR_MANIFEST_ARCHITECTURE amd64)
else()
  set(SCR_MANIFEST_ARCHITECTURE x86)
endif()
set(SCR_MANIFEST ${CMAKE_BINARY_DIR}/setup.manifest)
configure_file(setup/setup.manifest.in ${SCR_MANIFEST} @ONLY)
configure_file(setup/setup.rc.in ${CMAKE_BINARY_DIR}/setup.rc @ONLY)
# windres reads the manifest; without this the resource keeps an old one
# until the .rc file itself changes.
set_source_files_properties(${CMAKE_BINARY_DIR}/setup.rc PROPERTIES OBJECT_DEPENDS ${SCR_MANIFEST})
add_executable(setup WIN32 setup/main.cpp ${SCR_WIN32_SOURCES} ${CMAKE_BINARY_DIR}/setup.rc)
# Without exceptions nothing unwinds, so the unwind tables (17 KiB) go too.
target_compile_options(setup PRIVATE -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                                     -fno-unwind-tables)
target_compile_options(scrcore PRIVATE -ffunction-sections -fdata-sections
                                       -fno-asynchronous-unwind-tables -fno-unwind-tables)
# Link-time optimisation of setup.exe (15 KiB of its 99). scrcore's objects
# are fat (they carry machine code beside the optimiser's form), so that the
# author's tool links them the ordinary way (-fno-lto in scrpack.cmake).
option(SCR_LTO "link-time optimisation of setup.exe" ON)
if(SCR_LTO)
  set_target_properties(setup PROPERTIES INTERPROCEDURAL_OPTIMIZATION ON)
  target_compile_options(scrcore PRIVATE -flto=auto -ffat-lto-objects)
  # One partition: GCC 12's partitioned link-time pass stops with an
  # internal error on this program (binds_to_current_def_p), and one
  # partition also gives the smaller image.
  target_link_options(setup PRIVATE -flto-partition=one)
endif()
target_link_libraries(setup PRIVATE scrcore shell32 ole32 advapi32 gdi32 user32)
# Terminal-Server aware: on a terminal server GetWindowsDirectoryA then gives
# the real Windows folder, not a per-user copy, so the "<Windows>" default
# and the system-folder rule point at the right place.
target_link_options(setup PRIVATE -Wl,--tsaware)
# setup.exe brings its own entry (platform/win32/startup.cpp) instead of
# MinGW's start-up code: the specs file leaves crt2.o out of the start-up
# files that GCC links (crtbegin.o stays, for crtend.o's reference). Neither
# -nostartfiles nor a link without crtend.o gets through: GCC 12's linker
# crashes on them once link-time optimisation is on. The entry applies no
# run-time pseudo-relocations: without auto-import the linker refuses a data
# import that would need one.
function(scr_link_own_entry target)
  set(specs ${CMAKE_SOURCE_DIR}/cmake/setup_startfiles.specs)
  target_link_options(${target} PRIVATE -specs=${specs} -Wl,--disable-auto-import)
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${specs})
endfunction()
scr_link_own_entry(setup)
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
  # Code generation for size, given to the compiler of both setup.exe's
  # and scrcore's sources and to the link (the link-time pass generates the
  # code again, with the options the sources were compiled with):
  # - arguments pushed, not stored into an area reserved in every frame:
  #   each call is shorter (4.5 KiB of the image). GCC allows that only
  #   without its stack probes, which touch the pages of a frame larger
  #   than the one guard page below the stack in order; so no frame may
  #   come near a page, and the build fails before one does (nor may a
  #   frame grow by a size known only at run time: alloca, arrays of
  #   variable length);
  # - 4-byte stack alignment: Windows enters a window procedure or a
  #   callback of an i686 program with no more, so the code that kept 16
  #   bought nothing (4 KiB); code that needs more (there is no SSE code
  #   here) realigns its own frame;
  # - no frame pointer: one more register, and no frame set-up (2.5 KiB);
  # - constructors and destructors kept as the shared definitions the
  #   library's headers give: "decloned", each source file got a private
  #   copy (of std::string's copy and move constructors, for one) that the
  #   link could not merge (2 KiB);
  # - a function called from one place stays a function of its own: the
  #   runs folded into their callers made frames of more than 128 bytes,
  #   where an access to a local takes a 4-byte offset instead of one byte
  #   (500 such accesses instead of 100; 1.5 KiB).
  set(SCR_I686_SIZE_OPTIONS -mno-accumulate-outgoing-args -mno-stack-arg-probe
                            -Werror=frame-larger-than=3072 -Werror=alloca -Werror=vla
                            -mpreferred-stack-boundary=2
                            -fomit-frame-pointer -fno-declone-ctor-dtor
                            -fno-inline-functions-called-once)
  target_compile_options(scrcore PRIVATE ${SCR_I686_SIZE_OPTIONS})
  target_compile_options(setup PRIVATE ${SCR_I686_SIZE_OPTIONS})
  target_link_options(setup PRIVATE ${SCR_I686_SIZE_OPTIONS})
  set(SCR_SECTIONS_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/setup_sections.ld)
  target_link_options(setup PRIVATE -Wl,-T,${SCR_SECTIONS_SCRIPT})
  set_property(TARGET setup APPEND PROPERTY LINK_DEPENDS ${SCR_SECTIONS_SCRIPT})
endif()
# The program must load on Windows 95 and NT 4: no import newer than theirs.
target_compile_definitions(setup PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400)

# The author's tool for Windows carries the published setup program: the one
# of this build for i686, the i686 build's (built first) for x86-64, where
# setup.exe is only a test vehicle for machines that cannot run 32-bit code.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(SCR_STUB "${CMAKE_SOURCE_DIR}/build/win32/setup.exe" CACHE FILEPATH
      "setup program image that scrpack carries")
  set(SCR_STUB_DEPENDS ${SCR_STUB})
else()
  set(SCR_STUB $<TARGET_FILE:setup>)
  set(SCR_STUB_DEPENDS setup)
endif()
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/stub_image.cpp
  COMMAND ${CMAKE_COMMAND} -DIN=${SCR_STUB} -DOUT=${CMAKE_BINARY_DIR}/stub_image.cpp
          -DNAME=kStubImage -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS ${SCR_STUB_DEPENDS} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
include(cmake/scrpack.cmake)
# scrcore's fat objects, linked as ordinary code (see SCR_LTO above).
if(SCR_LTO)
  target_link_options(scrpack PRIVATE -fno-lto)
endif()

# Small Windows programs, one executable per source file: the end-to-end
# tests' drivers (tests/driver/), the sample screensaver (samples/, a GUI
# program) and the helpers of the main job (tools/win32/).
file(GLOB SCR_DRIVERS CONFIGURE_DEPENDS tests/driver/*.cpp samples/*.cpp tools/win32/*.cpp)
list(FILTER SCR_DRIVERS EXCLUDE REGEX "tests/driver/startprobe\\.cpp$")
foreach(src ${SCR_DRIVERS})
  get_filename_component(name ${src} NAME_WE)
  if(src MATCHES "samples/")
    add_executable(${name} WIN32 ${src})
    set_target_properties(${name} PROPERTIES SUFFIX ".scr")
  else()
    add_executable(${name} ${src})
  endif()
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE comctl32 shell32 ole32 oleaut32 uuid advapi32 gdi32 user32)
endforeach()

# setup.exe's entry, linked as setup.exe links it, in a program whose static
# object shows that constructors run first and destructors at exit.
add_executable(startprobe WIN32 tests/driver/startprobe.cpp platform/win32/startup.cpp)
scr_link_own_entry(startprobe)
