// Marks of listed items: read during the scan, changed by the user.
//
// Threads: any thread; the functions work on an item the caller holds (a
// copy outside the list, see ImageItemList.h) and take the XMP lock
// inside (marks/XmpMarks.h), never the list's lock.
#pragma once

#include "imaging/ImageItem.h"

namespace lumora {

class CRawParser;

// Reads the marks of the item once (nothing when marksScanned is set): its
// sidecar when the listing named one (a folder without sidecars costs no
// system call here), for an item no listing saw the sidecar the disk has,
// else the XMP embedded in a JPEG or TIFF-based file when `parser` (open on
// the item's file) has already read the bytes where it lies; only the
// packet itself may then be read.
void ReadItemMarks(ImageItem& item, CRawParser* parser);

// The folder part of an item's path, with its final '/'.
std::string ItemFolder(const ImageItem& item);

} // namespace lumora
