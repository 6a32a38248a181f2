# Linux: the author's tool and the unit tests against the simulated Windows.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

add_library(scrsim STATIC platform/sim/sim_system.cpp)
target_link_libraries(scrsim PUBLIC scrcore)

# scrpack carries the setup program of the Windows build by default.
set(SCR_STUB "${CMAKE_SOURCE_DIR}/build/win32/setup.exe" CACHE FILEPATH
    "setup program image that scrpack carries")
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/stub_image.cpp
  COMMAND ${CMAKE_COMMAND} -DIN=${SCR_STUB} -DOUT=${CMAKE_BINARY_DIR}/stub_image.cpp
          -DNAME=kStubImage -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
  DEPENDS ${SCR_STUB} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
include(cmake/scrpack.cmake)

enable_testing()
find_package(GTest REQUIRED)
include(GoogleTest)
file(GLOB SCR_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
add_executable(unit_tests ${SCR_UNIT_TESTS})
target_link_libraries(unit_tests PRIVATE scrsim scrpacklib GTest::gtest GTest::gtest_main)
gtest_discover_tests(unit_tests DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)

file(GLOB SCR_BENCH CONFIGURE_DEPENDS bench/*.cpp)
foreach(src ${SCR_BENCH})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_link_libraries(${name} PRIVATE scrsim)
endforeach()

# End-to-end tests: each tests/e2e/test_*.py runs the cross-built programs
# under Wine: build/win32 where this machine runs 32-bit code, else
# build/win64 (tests/e2e/scrtest.py decides). A suite that can run no case
# exits 77 and counts as skipped, never as passed.
set(SCR_E2E_ENV "SCR_SOURCE=${CMAKE_SOURCE_DIR};SCR_WIN32=${CMAKE_SOURCE_DIR}/build/win32;SCR_WIN64=${CMAKE_SOURCE_DIR}/build/win64;SCR_HOST=${CMAKE_BINARY_DIR}")
file(GLOB SCR_E2E CONFIGURE_DEPENDS tests/e2e/test_*.py)
foreach(src ${SCR_E2E})
  get_filename_component(name ${src} NAME_WE)
  add_test(NAME e2e_${name} COMMAND python3 ${src})
  set_tests_properties(e2e_${name} PROPERTIES LABELS e2e TIMEOUT 600 SKIP_RETURN_CODE 77
    ENVIRONMENT "${SCR_E2E_ENV}")
endforeach()
# Where the suites run the i686 build, a short run of the x86-64 build keeps
# that test vehicle from rotting (elsewhere it is what every suite runs, and
# these skip).
foreach(name test_loading test_platform)
  add_test(NAME e2e_x64_${name} COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/e2e/${name}.py)
  set_tests_properties(e2e_x64_${name} PROPERTIES LABELS e2e TIMEOUT 600 SKIP_RETURN_CODE 77
    ENVIRONMENT "${SCR_E2E_ENV};SCR_E2E_BUILD=win64;SCR_E2E_X64_CHECK=1")
endforeach()

# The test command's own tools: the 32-bit capability check and the closing
# summary.
add_test(NAME tools_win32_support COMMAND python3 ${CMAKE_SOURCE_DIR}/tests/tools/test_win32_support.py)
set_tests_properties(tools_win32_support PROPERTIES LABELS tools TIMEOUT 120)

# Fuzz targets (the fuzz preset builds them into build/fuzz): a short run of
# each from its corpus, so that a regression in any parser shows here.
# tools/fuzz-run reports a missing build; longer runs are in the README.
file(GLOB SCR_FUZZ CONFIGURE_DEPENDS tests/fuzz/fuzz_*.cpp)
foreach(src ${SCR_FUZZ})
  get_filename_component(name ${src} NAME_WE)
  string(REGEX REPLACE "^fuzz_" "" target ${name})
  add_test(NAME ${name} COMMAND python3 ${CMAKE_SOURCE_DIR}/tools/fuzz-run --seconds 5 ${target})
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endforeach()
