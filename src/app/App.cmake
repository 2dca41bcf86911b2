# The widget application: main window and application object, and the
# `lumora` executable.
if(LUMORA_WIDGETS)
    add_library(lumora_app STATIC
        ${CMAKE_CURRENT_LIST_DIR}/MainFrame.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MainFrameMessages.cpp
        ${CMAKE_CURRENT_LIST_DIR}/LumoraApp.cpp
        ${CMAKE_CURRENT_LIST_DIR}/MainFrameOpen.cpp
        ${CMAKE_CURRENT_LIST_DIR}/OpenTarget.cpp
        ${CMAKE_CURRENT_LIST_DIR}/DisplayColours.cpp)
    lumora_export_headers(lumora_app)
    target_link_libraries(lumora_app PUBLIC lumora_settings lumora_commandline lumora_platform Qt6::Widgets
        PRIVATE lumora_colour lumora_displayicc)

    add_executable(lumora ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
    target_link_libraries(lumora PRIVATE lumora_app)

    # The font configuration the program points fontconfig at (bin/fonts/).
    configure_file(${CMAKE_SOURCE_DIR}/src/resources/fonts/lumora-fonts.conf
                   ${CMAKE_BINARY_DIR}/bin/fonts/lumora-fonts.conf COPYONLY)
endif()
