# What the program installs for the desktop: entry, metainfo, MIME type,
# install layout and the Debian package.
set(_desktop_sh ${CMAKE_CURRENT_LIST_DIR}/desktop_files.sh)
add_test(NAME desktop_files_validate COMMAND bash ${_desktop_sh} validate ${CMAKE_SOURCE_DIR})
set_tests_properties(desktop_files_validate PROPERTIES SKIP_RETURN_CODE 77 LABELS desktop)
if(LUMORA_WIDGETS)
    add_test(NAME desktop_install_layout
        COMMAND bash ${_desktop_sh} install ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
    add_test(NAME desktop_debian_package COMMAND bash ${_desktop_sh} package ${CMAKE_BINARY_DIR})
    set_tests_properties(desktop_install_layout desktop_debian_package PROPERTIES
        SKIP_RETURN_CODE 77 LABELS "desktop;widgets" TIMEOUT 300 RESOURCE_LOCK cpack_install)
endif()
