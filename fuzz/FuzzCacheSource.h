// The source file whose thumbnail-cache entry fuzz-thumbcache reads (its
// seeds are entries stored for it, so that their keys match).
#pragma once

#include "imaging/ThumbnailCache.h"

namespace lumora::fuzz {

inline CacheSource CacheSourceOfInput() {
    return CacheSource{QStringLiteral("/fuzz/写真/picture 1.jpg"), 1700000000, 123456};
}

} // namespace lumora::fuzz
