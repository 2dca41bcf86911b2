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
