# Helpers that give every target of ours the same language level and warnings.

set(MARNELO_WARNINGS -Wall -Wextra -Werror)

function(marnelo_warnings target)
    target_compile_options(${target} PRIVATE ${MARNELO_WARNINGS})
endfunction()

# marnelo_library(NAME SOURCES... [LIBS ...])
# A static library of one subsystem; its headers are included as "folder/File.h".
function(marnelo_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    marnelo_warnings(${name})
endfunction()

# marnelo_test(NAME SOURCES... [LIBS ...] [OWN_MAIN])
# One GoogleTest executable, run by CTest with its own program folder and
# settings store (see tests/support/TestMain.cpp); GUI tests run offscreen.
# OWN_MAIN: the test brings its own main (for example to construct the
# application object itself).
function(marnelo_test name)
    cmake_parse_arguments(ARG "OWN_MAIN" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    if(ARG_OWN_MAIN)
        target_link_libraries(${name} PRIVATE marnelo_testenv ${ARG_LIBS})
    else()
        target_link_libraries(${name} PRIVATE marnelo_testsupport ${ARG_LIBS})
    endif()
    marnelo_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    add_test(NAME ${name} COMMAND ${name})
    set(env "GTEST_BRIEF=1" "QT_QPA_PLATFORM=offscreen" "MARNELO_NO_SPLASH=1"
            "QT_ASSUME_STDERR_HAS_CONSOLE=1")
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
endfunction()

# marnelo_benchmark(NAME SOURCES... [LIBS ...])
function(marnelo_benchmark name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark_main ${ARG_LIBS})
    marnelo_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endfunction()

# marnelo_fuzzer(NAME SOURCES... [LIBS ...])
# A libFuzzer target; the fuzz build adds the sanitizers to everything.
function(marnelo_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    marnelo_warnings(${name})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
endfunction()
