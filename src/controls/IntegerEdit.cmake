# The integer edit with its up-down buttons and the dialogs' integer check.
target_sources(lumora_controls PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/IntegerEdit.cpp ${CMAKE_CURRENT_LIST_DIR}/IntegerEdit.h)
