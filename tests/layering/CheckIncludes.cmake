# Checks every #include "folder/..." in SRC (a src/ tree) against the layer
# table below and fails on an include of a folder of the same or a higher
# layer. Run: cmake -DSRC=<path to src> -P CheckIncludes.cmake
#
# Layers, lowest first. A folder may include its own headers and those of
# folders in lower layers only; folders sharing a layer are independent.
#
#   0  platform                 generic messages, OS services, shell stand-ins
#   1  metadata, settings       EXIF and maker-note records; the settings record
#      formats                  container readers that are not TIFF (ISO media boxes)
#      marks                    ratings, reject and colour labels in XMP
#      colour                   ICC profiles, colour transforms, the display profile
#   2  imaging                  pixels, item record, parser, decoders, loaders
#   3  engine                   item list, folder scan, engine threads, watch
#   4  resources                tool-bar images drawn in code
#   5  controls                 general widgets
#   6  thumbnails, foldertree   the thumbnail view; the folder tree
#   7  viewer                   preview, viewer, slideshow, mini preview
#   8  settingsui               the settings pages
#   9  app                      main window, panes, application object
set(LAYER_platform 0)
set(LAYER_metadata 1)
set(LAYER_settings 1)
set(LAYER_formats 1)
set(LAYER_marks 1)
set(LAYER_colour 1)
set(LAYER_imaging 2)
set(LAYER_engine 3)
set(LAYER_resources 4)
set(LAYER_controls 5)
set(LAYER_thumbnails 6)
set(LAYER_foldertree 6)
set(LAYER_viewer 7)
set(LAYER_settingsui 8)
set(LAYER_app 9)

get_filename_component(SRC "${SRC}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SRC}")
    message(FATAL_ERROR "pass -DSRC=<src folder>")
endif()

file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*.h" "${SRC}/*.hpp" "${SRC}/*.cpp" "${SRC}/*.cc")
list(SORT files)
set(violations 0)
set(checked 0)
foreach(file IN LISTS files)
    string(REGEX MATCH "^[^/]+" from "${file}")
    if(file STREQUAL from)
        message(SEND_ERROR "${file}: source file outside any folder of the layer table")
        math(EXPR violations "${violations} + 1")
        continue()
    endif()
    if(NOT DEFINED LAYER_${from})
        message(SEND_ERROR "${file}: folder '${from}' is missing from the layer table")
        math(EXPR violations "${violations} + 1")
        continue()
    endif()
    file(STRINGS "${SRC}/${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
        if(NOT line MATCHES "\"([^\"]+)\"")
            continue()
        endif()
        set(target "${CMAKE_MATCH_1}")
        if(NOT target MATCHES "^([^/]+)/")
            continue() # a header beside the file itself
        endif()
        set(to "${CMAKE_MATCH_1}")
        math(EXPR checked "${checked} + 1")
        if(to STREQUAL from)
            continue()
        endif()
        if(NOT DEFINED LAYER_${to})
            message(SEND_ERROR "${file}: includes \"${target}\" from folder '${to}', "
                               "which is missing from the layer table")
            math(EXPR violations "${violations} + 1")
        elseif(NOT LAYER_${to} LESS LAYER_${from})
            message(SEND_ERROR "${file}: includes \"${target}\": ${from} (layer ${LAYER_${from}}) "
                               "may not include ${to} (layer ${LAYER_${to}})")
            math(EXPR violations "${violations} + 1")
        endif()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) break the layering")
endif()
message(STATUS "${checked} folder includes checked, all downward")
