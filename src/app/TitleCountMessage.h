// 3028: the current tab changed (or its name did): the main window sets its
// title from the folder path or the worksheet's name, and the count pane
// from the current view. Sent by the list container to the main window.
#pragma once

#include "platform/Message.h"

namespace lumora {

struct TitleCountMessage : Message<WM_USER + 2004> {};

} // namespace lumora
