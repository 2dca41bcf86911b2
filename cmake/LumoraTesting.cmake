# Test helpers.
#
# lumora_gtest(NAME SOURCES... LIBS... [LABELS...])
#   A GoogleTest executable; each TEST becomes its own CTest test.
#   In the sanitizer tree only tests labelled "sanitize" are built.
# lumora_qtest(NAME SOURCES... LIBS...)
#   A Qt Test executable run on the offscreen platform (widget trees only).

# Tests never write into the user's thumbnail cache: programs under test use
# one inside the build tree (tests that look into it use their own folders).
set(LUMORA_TEST_CACHE_HOME "${CMAKE_BINARY_DIR}/test-cache")

function(lumora_gtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    if(LUMORA_SANITIZE AND NOT "sanitize" IN_LIST T_LABELS)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main Threads::Threads)
    target_compile_definitions(${name} PRIVATE
        LUMORA_SHARED_SAMPLES="${LUMORA_SHARED_SAMPLES}"
        LUMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        LUMORA_BINARY_DIR="${CMAKE_BINARY_DIR}")
    set(labels ${T_LABELS})
    if(LUMORA_SANITIZE)
        list(APPEND labels sanitize)
        list(REMOVE_DUPLICATES labels)
    endif()
    set(props ENVIRONMENT
        "QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=detect_leaks=1;UBSAN_OPTIONS=print_stacktrace=1;XDG_CACHE_HOME=${LUMORA_TEST_CACHE_HOME}")
    if(labels)
        list(APPEND props LABELS "${labels}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST PROPERTIES ${props})
endfunction()

function(lumora_qtest name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
    if(NOT LUMORA_WIDGETS)
        return()
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} Qt6::Test)
    target_compile_definitions(${name} PRIVATE
        LUMORA_SHARED_SAMPLES="${LUMORA_SHARED_SAMPLES}"
        LUMORA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        LUMORA_BINARY_DIR="${CMAKE_BINARY_DIR}")
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        LABELS "widgets;${T_LABELS}"
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CACHE_HOME=${LUMORA_TEST_CACHE_HOME}")
endfunction()
