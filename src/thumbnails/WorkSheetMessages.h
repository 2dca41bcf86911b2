// 3034: a view's own report of its item count (after items were removed or
// cleared), posted to the list container, which shows it in the tab label.
#pragma once

#include "platform/Message.h"

namespace lumora {

struct CountChangedMessage : Message<WM_USER + 2010> {
    CountChangedMessage(int count, int tabIndex) : count(count), tabIndex(tabIndex) {}
    int count;
    int tabIndex;
};

} // namespace lumora
