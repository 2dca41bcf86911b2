// Messages of the folder watch, received by the folder view (CThumbnailCtrl).
// The watch thread posts at most one of them per watch and then ends.
#pragma once

#include "platform/Message.h"

namespace lumora {

// The shown folder changed (files created, deleted or renamed), not through
// the view's own operation: reload one second later, or only watch again
// when AutoUpdate is off.
struct FolderChangedMessage : Message<WM_USER + 2019> {}; // 3043, WM_THUMB_FOLDERCHANGED

// The folder changed through the view's own operation: start a new watch.
struct RearmWatchMessage : Message<WM_USER + 2028> {}; // 3052, WM_THUMB_REARMWATCH

} // namespace lumora
