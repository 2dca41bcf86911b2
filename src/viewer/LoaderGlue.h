// The shared decoders as the viewer's loader uses them: full size, with the
// RAW kinds read from their embedded preview, in the display's colours.
#pragma once

#include "imaging/DecodeResult.h"
#include "imaging/ImageItem.h"

namespace lumora {

DecodeOutput DecodeFullPicture(const ImageItem& item, const CancelTest& cancel,
                               const SizeCallback& onSize, const RowWatch* watch = nullptr);
// Kinds the JPEG decoder serves (JPEG and the RAW previews).
bool DecodesAsJpeg(ImageKind kind);

} // namespace lumora
