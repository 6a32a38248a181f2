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

add_library(scrsim STATIC platform/sim/sim_system.cpp)
target_link_libraries(scrsim PUBLIC scrcore)

# scrpack's inspect without its command line.
add_library(scrinspect STATIC tools/scrpack/inspect_command.cpp tools/scrpack/stream_file.cpp)
target_include_directories(scrinspect SYSTEM PRIVATE ${SCR_TOOL_HEADERS})
target_link_libraries(scrinspect PUBLIC scrcore)

file(GLOB SCR_FUZZ_TARGETS CONFIGURE_DEPENDS tests/fuzz/fuzz_*.cpp)
foreach(src ${SCR_FUZZ_TARGETS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_include_directories(${name} SYSTEM PRIVATE ${SCR_TOOL_HEADERS})
  target_link_libraries(${name} PRIVATE scrsim scrinspect)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
endforeach()
