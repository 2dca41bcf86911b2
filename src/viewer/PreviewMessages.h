// Messages received by the preview control (CPreviewCtrl): from its loader
// threads and from whoever asks it a question.
#pragma once

#include "platform/Message.h"
#include "viewer/PictureLoader.h"
#include "viewer/ViewerPicture.h"

#include <memory>
#include <string>

namespace lumora {

// 4025: the picture's own size, as soon as the decoder knows it.
struct PictureSizeMessage : Message<WM_USER + 3001> {
    PictureSizeMessage(int w, int h, int32_t request)
        : width(w), height(h), requestNumber(request) {}
    int width = 0;
    int height = 0;
    int32_t requestNumber = 0;
};

// 4026: the end of a decode. `result` carries the request number, the path,
// orientation and caption; `picture` the screen-ready image with its reduced
// copies (null picture on failure). Both belong to the receiver.
struct PictureResultMessage : Message<WM_USER + 3002> {
    std::unique_ptr<PictureResult> result;
    std::shared_ptr<const ViewerPicture> picture;
    bool cancelled = false;
};

// 4028: the picture of a request again, now with its full-size level (in
// the fastest drawing format), made after the picture itself was posted;
// replaces it when the request is still the current one.
struct PictureLevelsMessage : Message<WM_USER + 3004> {
    int32_t requestNumber = 0;
    std::shared_ptr<const ViewerPicture> picture;
};

// 3046: a JPEG request for an entry without an item (the list is empty).
struct PictureNoEntryMessage : Message<WM_USER + 2022> {
    int index = 0;
    int count = 0;
};

// 3029: answered with 1, nothing else.
struct PreviewQueryMessage : Message<WM_USER + 2005> {
    int result = 0;
};

// 4027: a neighbour picture decoded ahead of time is ready (or failed).
struct PrefetchDoneMessage : Message<WM_USER + 3003> {
    std::string path;
    int32_t generation = 0;
    std::shared_ptr<const ViewerPicture> picture; // null when the decode failed
    int sourceWidth = 0;
    int sourceHeight = 0;
};

} // namespace lumora
