// Posted to the main window by the pane that gets the keyboard focus, so the
// main window can give the focus back to the same pane when it is activated
// again. Sent by the folder tree and the thumbnail views, which both sit
// below the main window; received by CMainFrame on the GUI thread.
#pragma once

#include "platform/Message.h"

namespace lumora {

constexpr int WM_THUMB_FOCUS = WM_USER + 2027; // 3051

struct PaneFocusMessage : Message<WM_THUMB_FOCUS> {
    enum Pane { FolderTree = 0, ThumbnailView = 1 };
    explicit PaneFocusMessage(Pane pane) : pane(pane) {}
    Pane pane = FolderTree;
};

} // namespace lumora
