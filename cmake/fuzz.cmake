# Fuzz targets (clang's libFuzzer with AddressSanitizer and
# UndefinedBehaviorSanitizer): the setup's logic and the simulated Windows
# built with the sanitizers, one program per input the setup program or
# scrpack parses. `tools/fuzz-run` runs them from tests/fuzz/corpus/.
if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
  message(FATAL_ERROR "the fuzz preset needs clang (Debian's clang-14 and libclang-rt-14-dev)")
endif()
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# Every object of the targets is instrumented; only the targets link the
# fuzzer's main. Undefined behaviour ends the run, so libFuzzer records it
# as a finding like a crash.
set(SCR_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
add_compile_options(${SCR_SANITIZE} -fsanitize=fuzzer-no-link -g)
add_link_options(${SCR_SANITIZE})
# libFuzzer keeps its inputs below 4,096 bytes unless told otherwise, and
# grows them slowly: with the product's 64 KiB the trailer search would only
# ever read one block. 64-byte blocks let every input of a few hundred bytes
# cross several, so the overlap between blocks runs under fuzzing too.
add_compile_definitions(SCR_TRAILER_SEARCH_BLOCK=64)

add_library(scrsim STATIC platform/sim/sim_system.cpp)
target_link_libraries(scrsim PUBLIC scrcore)

# The author's tool as a library, for `inspect`. It carries a stand-in
# program image (inspect never writes one), so the fuzz build needs no
# Windows build.
file(WRITE ${CMAKE_BINARY_DIR}/stub.bin "MZ stand-in program image of the fuzz build")
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/stub_image.cpp
  COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_BINARY_DIR}/stub.bin -DOUT=${CMAKE_BINARY_DIR}/stub_image.cpp
          -DNAME=kStubImage -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
include(cmake/scrpack.cmake)
set_target_properties(scrpack PROPERTIES EXCLUDE_FROM_ALL ON)

file(GLOB SCR_FUZZ_TARGETS CONFIGURE_DEPENDS tests/fuzz/fuzz_*.cpp)
foreach(src ${SCR_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} SYSTEM PRIVATE ${SCR_TOOL_HEADERS})
  target_link_libraries(${name} PRIVATE scrsim scrpacklib)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()
