# Each subsystem folder lists its targets in one or more *.cmake fragments
# (one per component), so components can be added without touching a shared
# list. Fragments are included in name order.
macro(lumora_include_fragments)
    file(GLOB _lumora_fragments CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cmake)
    list(SORT _lumora_fragments)
    foreach(_fragment IN LISTS _lumora_fragments)
        include(${_fragment})
    endforeach()
endmacro()

# Adds every direct subfolder that has a CMakeLists.txt.
macro(lumora_add_subfolders)
    file(GLOB _lumora_children LIST_DIRECTORIES true ${CMAKE_CURRENT_SOURCE_DIR}/*)
    list(SORT _lumora_children)
    foreach(_child IN LISTS _lumora_children)
        if(IS_DIRECTORY ${_child} AND EXISTS ${_child}/CMakeLists.txt)
            add_subdirectory(${_child})
        endif()
    endforeach()
endmacro()

# lumora_export_headers(target)
#   Makes the headers of the target's folder, and only those, includable as
#   "<folder>/Header.h" by the target and by everything that links it: the
#   include directory is a build-tree folder holding one link named after the
#   source folder. A target that does not link a folder's library cannot
#   include that folder's headers, so the links are the layering.
function(lumora_export_headers target)
    file(RELATIVE_PATH folder ${CMAKE_SOURCE_DIR}/src ${CMAKE_CURRENT_SOURCE_DIR})
    if(folder MATCHES "^\\.\\." OR folder STREQUAL "")
        message(FATAL_ERROR "lumora_export_headers: ${target} is not in a folder under src/")
    endif()
    set(root ${CMAKE_BINARY_DIR}/include/${folder})
    if(NOT IS_SYMLINK ${root}/${folder})
        # A nested folder (formats/isobmff) needs the link's own parent.
        get_filename_component(parent ${root}/${folder} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${CMAKE_SOURCE_DIR}/src/${folder} ${root}/${folder} SYMBOLIC)
    endif()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${root})
    else()
        target_include_directories(${target} PUBLIC ${root})
    endif()
endfunction()
