// The one step every decoder's result passes through on its way to the
// screen: the picture is converted from the colours its file describes
// (DecodeOutput::iccProfile, else Adobe RGB when exifAdobeRgb, else sRGB)
// into a target profile, the display's for the viewer and the mini preview,
// sRGB for thumbnails. A damaged profile counts as none. Conversions come
// from the shared cache (colour/ColourTransform.h), so a pair of profiles is
// prepared once.
//
// Threads: reentrant; called on the loader and engine threads with the
// DecodeOutput they own, never on the GUI thread for a whole picture.
#pragma once

#include "colour/ColourProfile.h"
#include "imaging/DecodeResult.h"
#include "imaging/RequestCounter.h"
#include "metadata/ShootingInfo.h"

namespace lumora {

// Converts out.image in bands of rows, testing cancel between bands; a
// stale request stops it (status becomes Cancelled, rows not reached stay
// as decoded). Does nothing when target is null, when the picture is empty,
// when the decoder already delivered target colours (inTargetColours), or
// when source and target are the same (no conversion is made at all).
// extraAdobeRgb adds what the item's own metadata says to the decoder's
// EXIF reading. Returns true when pixels were changed.
// The EXIF marking of an Adobe RGB picture as the scan of the file read
// it: colour space 0xFFFF and interoperability index "R03".
bool ExifSaysAdobeRgb(const ShootingInfo& shooting);

bool ConvertDecodedColours(DecodeOutput& out, const ProfilePtr& target,
                           const CancelTest& cancel = {}, bool extraAdobeRgb = false);

} // namespace lumora
