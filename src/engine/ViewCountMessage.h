// 3033: the item count of one view for its tab label. Posted by the view's
// engine to the main window, which hands it to the list container; the tab
// index is the one the list container last gave the view (-1: none).
#pragma once

#include "platform/Message.h"

namespace lumora {

struct ViewCountMessage : Message<WM_USER + 2009> {
    ViewCountMessage(int count, int tabIndex) : count(count), tabIndex(tabIndex) {}
    int count;
    int tabIndex;
};

} // namespace lumora
