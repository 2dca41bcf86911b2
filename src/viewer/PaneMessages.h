// Messages that the thumbnail view sends toward the information panel and the
// mini preview when its current image changes. Received by
// CListContainerWnd (3025, 3050; handed to CInfoContainer) and CMainFrame
// (3074; handed to CMiniPreviewCtrl). Sent on the user-interface thread.
#pragma once

#include "engine/ImageItem.h"
#include "engine/ImageItemList.h"
#include "platform/Message.h"

namespace lumora {

// WM_THUMB_PREIMAGE: a copy of the selected item's thumbnail pre-image, for
// the histogram. The receiver may take the pixels.
struct ThumbPreimageMessage : Message<WM_USER + 2001> { // 3025
    PreimageCopy preimage;
};

// WM_THUMB_NOPREIMAGE: the selected item has no pre-image the histogram may
// measure (none made, or an icon-like kind); the histogram is cleared.
struct ThumbNoPreimageMessage : Message<WM_USER + 2026> {}; // 3050

// WM_THUMB_CURRENTITEM: a copy of the view's current item, for the mini
// preview. The receiver may take the item.
struct ThumbCurrentItemMessage : Message<WM_USER + 2050> { // 3074
    ImageItem item;
    int index = -1;
    int count = 0;
};

} // namespace lumora
