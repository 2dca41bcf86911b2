# The command table, the menu bar, the file commands, registered
# applications and the One Key of the main window.
if(LUMORA_WIDGETS AND TARGET lumora_app)
    target_sources(lumora_app PRIVATE
        ${CMAKE_CURRENT_LIST_DIR}/AboutDlg.cpp
        ${CMAKE_CURRENT_LIST_DIR}/Commands.cpp
        ${CMAKE_CURRENT_LIST_DIR}/ExternalApps.cpp
        ${CMAKE_CURRENT_LIST_DIR}/FileCommands.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MainCommands.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MarkActions.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MarkCommands.cpp
        ${CMAKE_CURRENT_LIST_DIR}/OneKey.cpp)
    target_link_libraries(lumora_app PUBLIC lumora_marks)
    # The README opened as the home page until the project has a public one.
    configure_file(${CMAKE_SOURCE_DIR}/README.md ${CMAKE_BINARY_DIR}/bin/README.md COPYONLY)
endif()
