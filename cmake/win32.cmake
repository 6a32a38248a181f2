# The Windows programs: setup.exe, scrpack.exe, the sample screensaver and
# the test drivers. Everything lands directly in build/win32/.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
set(CMAKE_CXX_FLAGS_MINSIZEREL "-Os")
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-static -s -Wl,--gc-sections)

file(GLOB SCR_WIN32_SOURCES CONFIGURE_DEPENDS platform/win32/*.cpp wizard/win32/*.cpp)
add_executable(setup WIN32 setup/main.cpp ${SCR_WIN32_SOURCES} setup/setup.rc)
# Without exceptions nothing unwinds, so the unwind tables (17 KiB) go too.
target_compile_options(setup PRIVATE -fno-exceptions -fno-rtti -fno-asynchronous-unwind-tables
                                     -fno-unwind-tables)
target_compile_options(scrcore PRIVATE -fno-asynchronous-unwind-tables -fno-unwind-tables)
target_link_libraries(setup PRIVATE scrcore shell32 ole32 advapi32 gdi32 user32)
# The program must load on Windows 95 and NT 4: no import newer than theirs.
target_compile_definitions(setup PRIVATE WINVER=0x0400 _WIN32_WINNT=0x0400 _WIN32_IE=0x0400)

# The author's tool for Windows carries the setup program it was built with.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/stub_image.cpp
  COMMAND ${CMAKE_COMMAND} -DIN=$<TARGET_FILE:setup> -DOUT=${CMAKE_BINARY_DIR}/stub_image.cpp
          -DNAME=kStubImage -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS setup ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
file(GLOB SCRPACK_SOURCES CONFIGURE_DEPENDS tools/scrpack/*.cpp)
add_executable(scrpack ${SCRPACK_SOURCES} ${CMAKE_BINARY_DIR}/stub_image.cpp)
target_include_directories(scrpack SYSTEM PRIVATE ${SCR_TOOL_HEADERS})
target_link_libraries(scrpack PRIVATE scrcore)

# Small Windows programs, one executable per source file: the end-to-end
# tests' drivers (tests/driver/), the sample screensaver (samples/, a GUI
# program) and the helpers of the main job (tools/win32/).
file(GLOB SCR_DRIVERS CONFIGURE_DEPENDS tests/driver/*.cpp samples/*.cpp tools/win32/*.cpp)
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
