# Helpers shared by the layer, test and benchmark folders.

# rv_add_library(NAME DIRS dir... [LIBS lib...])
# One library per layer, made of every source file in the given folders.
function(rv_add_library name)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS;EXTRA" ${ARGN})
    set(files)
    foreach(dir ${ARG_DIRS})
        file(GLOB found CONFIGURE_DEPENDS
            ${dir}/*.cpp ${dir}/*.c ${dir}/*.h ${dir}/*.ui ${dir}/*.qrc)
        list(APPEND files ${found})
    endforeach()
    set(compiled ${files})
    list(FILTER compiled INCLUDE REGEX "\\.(cpp|c)$")
    if(NOT compiled AND NOT ARG_EXTRA)
        # Nothing built yet: an interface target keeps dependants linking.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${ARG_DIRS})
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
        return()
    endif()
    add_library(${name} STATIC ${files} ${ARG_EXTRA})
    target_include_directories(${name} PUBLIC ${ARG_DIRS})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
endfunction()

# Puts a link to the system's ffmpeg tool beside the executable.
function(rv_link_ffmpeg_tool target)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E create_symlink /usr/bin/ffmpeg $<TARGET_FILE_DIR:${target}>/ffmpeg
        VERBATIM)
endfunction()

# Factor on the time limits of rv_add_test: a sanitized tree runs several times slower.
set(RV_TEST_TIMEOUT_SCALE 1 CACHE STRING "Factor on the tests' time limits")

# rv_add_test(NAME SOURCES src... LIBS lib... [GUI] [FFMPEG_TOOL] [TIMEOUT s])
# A GoogleTest executable run by ctest; GUI tests get a QApplication.
function(rv_add_test name)
    cmake_parse_arguments(ARG "GUI;FFMPEG_TOOL" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_GUI)
        target_link_libraries(${name} PRIVATE rv_test_main_gui)
    else()
        target_link_libraries(${name} PRIVATE rv_test_main_core)
    endif()
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    if(ARG_FFMPEG_TOOL)
        rv_link_ffmpeg_tool(${name})
    endif()
    add_test(NAME ${name} COMMAND ${name})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    math(EXPR ARG_TIMEOUT "${ARG_TIMEOUT} * ${RV_TEST_TIMEOUT_SCALE}")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${ARG_TIMEOUT})
endfunction()

# rv_add_bench(NAME SOURCES src... LIBS lib...)
function(rv_add_bench name)
    cmake_parse_arguments(ARG "FFMPEG_TOOL" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark rv_bench_support ${ARG_LIBS})
    if(ARG_FFMPEG_TOOL)
        rv_link_ffmpeg_tool(${name})
    endif()
endfunction()
