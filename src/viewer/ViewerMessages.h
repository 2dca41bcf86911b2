// Messages received by the viewer frame (CViewerFrame).
#pragma once

#include "imaging/ImageItem.h"
#include "platform/Message.h"

namespace lumora {

// 3049: the item at a position the slider's thumb is dragged over, for its
// pre-image (the item's thumbnail pixels are included).
struct SliderPreimageMessage : Message<WM_USER + 2025> {
    ImageItem item;
    int index = 0;
};

} // namespace lumora
