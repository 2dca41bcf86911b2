lumora_gtest(engine_items_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ImageItemListTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FileAccessTest.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ItemMarksTest.cpp
    LIBS lumora_engine
    LABELS sanitize)
lumora_gtest(engine_thread_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailEngineTest.cpp
    LIBS lumora_engine lumora_test_support
    LABELS sanitize)
lumora_gtest(engine_watch_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FolderWatcherTest.cpp
    LIBS lumora_engine lumora_test_support
    LABELS sanitize)
lumora_gtest(engine_pool_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/ThumbnailPoolTest.cpp
    LIBS lumora_engine lumora_test_support
    LABELS sanitize)

# In a ThreadSanitizer tree (LUMORA_TSAN, or CMAKE_CXX_FLAGS with
# -fsanitize=thread) the threaded engine tests also run as whole programs
# under the label tsan (make test-tsan).
if((LUMORA_TSAN OR CMAKE_CXX_FLAGS MATCHES "-fsanitize=thread") AND TARGET engine_thread_test)
    foreach(_engine_tsan engine_thread_test engine_watch_test engine_pool_test)
        add_test(NAME ${_engine_tsan}_tsan COMMAND ${_engine_tsan})
        set_tests_properties(${_engine_tsan}_tsan PROPERTIES LABELS tsan
            ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1 second_deadlock_stack=1 suppressions=${CMAKE_CURRENT_LIST_DIR}/tsan.supp")
    endforeach()
endif()

lumora_gtest(engine_samples_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/EngineSamplesTest.cpp
    LIBS lumora_engine lumora_test_support lumora_decoders lumora_samplegen
    LABELS sanitize)

lumora_gtest(engine_worksheet_add_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/WorkSheetAddTest.cpp
    LIBS lumora_engine lumora_test_support
    LABELS sanitize)

if(NOT LUMORA_SANITIZE)
    # The system calls of a folder load per file, counted by strace (skipped
    # where strace is missing or may not trace). Counted in the normal tree only:
    # the sanitizers add calls of their own, and LeakSanitizer cannot run traced.
    add_executable(scan_syscall_probe ${CMAKE_CURRENT_LIST_DIR}/ScanSyscallProbe.cpp)
    target_link_libraries(scan_syscall_probe PRIVATE
        lumora_engine lumora_test_support lumora_decoders lumora_samplegen Qt6::Core)
    add_test(NAME engine_scan_syscalls
        COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/scan_syscalls.sh $<TARGET_FILE:scan_syscall_probe>)
    set_tests_properties(engine_scan_syscalls PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
