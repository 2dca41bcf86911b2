# Two real processes: single_instance_peer plays the first or second instance.
add_executable(single_instance_peer ${CMAKE_CURRENT_LIST_DIR}/SingleInstancePeer.cpp)
target_link_libraries(single_instance_peer PRIVATE lumora_platform)
lumora_gtest(single_instance_tests
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/SingleInstanceTest.cpp
    LIBS lumora_platform
    LABELS sanitize)
if(TARGET single_instance_tests)
    add_dependencies(single_instance_tests single_instance_peer)
    target_compile_definitions(single_instance_tests PRIVATE
        PEER_PROGRAM="$<TARGET_FILE:single_instance_peer>")
endif()
