// The shared decoders as the viewer's loader uses them: full size, with the
// RAW kinds read from their embedded preview.
#pragma once

#include "imaging/ImageItem.h"
#include "imaging/DecodeResult.h"

namespace lumora {

DecodeOutput DecodeFullPicture(const ImageItem& item, const CancelTest& cancel,
                               const SizeCallback& onSize);
// Kinds the JPEG decoder serves (JPEG and the RAW previews).
bool DecodesAsJpeg(ImageKind kind);

} // namespace lumora
