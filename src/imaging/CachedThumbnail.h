// Thumbnails of files without an embedded one, through the desktop's shared
// thumbnail cache (imaging/ThumbnailCache.h): a fresh cached picture is
// fitted into the thumbnail box exactly as a whole-file decode would be;
// otherwise the file is decoded and the picture (or the failure) is stored
// for the next visit, ours or another program's. Files with an embedded
// thumbnail are decoded directly: that is faster than any cache.
//
// Threads: any thread but the GUI thread (it reads and writes files); the
// maker is immutable and may run on several threads at once.
#pragma once

#include "imaging/ImageItem.h"
#include "imaging/ThumbnailCache.h"

#include <functional>
#include <memory>

namespace lumora {

// Fills item.thumb like DecodeThumbnail, using `cache` (may be null: then it
// is DecodeThumbnail). Never throws.
void DecodeThumbnailCached(ImageItem& item, const ThumbnailBox& params,
                           const CThumbnailCache* cache);

// A thumbnail maker for the engine (its ThumbnailMaker) over a cache it
// shares.
std::function<void(ImageItem&, const ThumbnailBox&)>
CachedThumbnailMaker(std::shared_ptr<const CThumbnailCache> cache);

} // namespace lumora
