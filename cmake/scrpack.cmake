# The author's tool, for both builds: its sources (without main.cpp) and the
# shipped translations as one library, so the host unit tests can link it.
# The including file has defined the rule for ${CMAKE_BINARY_DIR}/stub_image.cpp.
file(GLOB SCR_LANGUAGE_FILES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/languages/*.lng)
set(SCR_LANGUAGE_SOURCES)
foreach(file ${SCR_LANGUAGE_FILES})
  get_filename_component(code ${file} NAME_WE)
  string(REPLACE "-" "_" symbol ${code})
  set(out ${CMAKE_BINARY_DIR}/language_${symbol}.cpp)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DIN=${file} -DOUT=${out} -DNAME=kLanguage_${symbol}
            -P ${CMAKE_SOURCE_DIR}/cmake/embed.cmake
    DEPENDS ${file} ${CMAKE_SOURCE_DIR}/cmake/embed.cmake)
  list(APPEND SCR_LANGUAGE_SOURCES ${out})
endforeach()

file(GLOB SCRPACK_SOURCES CONFIGURE_DEPENDS tools/scrpack/*.cpp)
list(FILTER SCRPACK_SOURCES EXCLUDE REGEX "tools/scrpack/main\\.cpp$")
add_library(scrpacklib STATIC ${SCRPACK_SOURCES} ${SCR_LANGUAGE_SOURCES}
                              ${CMAKE_BINARY_DIR}/stub_image.cpp)
target_include_directories(scrpacklib SYSTEM PUBLIC ${SCR_TOOL_HEADERS})
target_compile_definitions(scrpacklib PRIVATE SCRPACK_VERSION="${PROJECT_VERSION}")
target_link_libraries(scrpacklib PUBLIC scrcore)
if(WIN32)
  target_link_libraries(scrpacklib PUBLIC shell32)
endif()
add_executable(scrpack tools/scrpack/main.cpp)
target_link_libraries(scrpack PRIVATE scrpacklib)
