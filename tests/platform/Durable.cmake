# Whole-or-nothing writes under fault injection (full, read-only, vanishing
# and second file systems), odd names, and a child process killed mid-write.
# The fault tests mount small tmpfs file systems in a private mount
# namespace and skip with a message where that is not allowed (not root).
if(NOT LUMORA_SANITIZE)
    add_executable(durable-crash-child ${CMAKE_CURRENT_LIST_DIR}/DurableCrashChild.cpp)
    target_link_libraries(durable-crash-child PRIVATE lumora_shell lumora_settings
                                                      lumora_worksheet_core)
    lumora_gtest(lumora_durable_tests
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/DurableFileTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/FileOperationFaultTest.cpp
                ${CMAKE_CURRENT_LIST_DIR}/CrashSafetyTest.cpp
        LIBS lumora_durable lumora_shell lumora_settings lumora_worksheet_core
             Qt6::Core)
    target_compile_definitions(lumora_durable_tests PRIVATE
        LUMORA_CRASH_CHILD="$<TARGET_FILE:durable-crash-child>")
    add_dependencies(lumora_durable_tests durable-crash-child)
endif()

# The same through the real message boxes (offscreen).
lumora_qtest(file_operation_dialogs_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/FileOperationDialogsTest.cpp
    LIBS lumora_shell_widgets)
