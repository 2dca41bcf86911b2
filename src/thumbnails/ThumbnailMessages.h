// Payload records of the messages the thumbnail view sends.
#pragma once

#include "engine/ImageItem.h"

#include <string>

namespace lumora {

// WM_THUMB_CURRENTITEM and WM_THUMB_OPENVIEWER: the cursor item with the
// view's item count and its index. The receiver owns it.
struct ThumbItemRecord {
    int count = 0;
    int index = -1;
    ImageItem item;
};

// Commands of the view's context menu and the main window's edit commands
// that it forwards.
constexpr int ID_THUMB_PREVIEW = 32932;
constexpr int ID_THUMB_PROPERTIES = 32931;
constexpr int ID_THUMB_OPENFIRSTAPP = 32933;
constexpr int ID_THUMB_CUT = 37004;
constexpr int ID_THUMB_COPY = 37005;
constexpr int ID_THUMB_PASTE = 37006;
constexpr int ID_THUMB_DELETE = 37007;
constexpr int ID_EDIT_PASTE = 57637;
constexpr int ID_ADD_TO_WORKSHEET_FIRST = 34000;
constexpr int ID_OPEN_WITH_FIRST = 35000;

} // namespace lumora
