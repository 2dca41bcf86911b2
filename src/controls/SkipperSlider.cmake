# The slider that jumps to the clicked position; the wheel-notch counter
# it shares with the viewer's canvas.
if(LUMORA_WIDGETS)
    add_library(lumora_skipper_slider STATIC ${CMAKE_CURRENT_LIST_DIR}/SkipperSliderCtrl.cpp
        ${CMAKE_CURRENT_LIST_DIR}/WheelSteps.h)
    lumora_export_headers(lumora_skipper_slider)
    target_link_libraries(lumora_skipper_slider PUBLIC Qt6::Widgets)
endif()
