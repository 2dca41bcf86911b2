// Messages that only the main window receives and only the app's own panes
// send. (The views, the engine and the folder tree declare the messages they
// send to the main window beside themselves, since they sit below it.)
#pragma once

#include "platform/Message.h"

namespace lumora {

constexpr int WM_LIST_TITLECOUNT = WM_USER + 2004; // 3028

// The current tab changed: the main window refreshes its title and count.
struct ListTitleCountMessage : Message<WM_LIST_TITLECOUNT> {};

} // namespace lumora
