// Marks in XMP packets, read and rewritten with exiv2's XMP toolkit.
//
// Properties: xmp:Rating (0..5 stars, -1 reject) and xmp:Label (the label's
// English name) are read and written. The colour-label properties of two
// open-source raw developers and catalogues are read as well, and kept in
// step when Lumora changes a label in a packet that carries them:
//   http://www.digikam.org/ns/1.0/  ColorLabel (1 red, 3 yellow, 4 green,
//                                   5 blue, 6 magenta shown as purple)
//   http://darktable.sf.net/        colorlabels (a Seq of 0 red, 1 yellow,
//                                   2 green, 3 blue, 4 purple)
// Namespaces are matched by URI, whatever prefix a file gives them.
//
// Nothing is lost: a rewrite changes only the properties of the marks that
// differ from what the packet held, keeps every other property (unknown
// namespaces, structures, arrays, language alternatives), and checks its
// own result by parsing it again; any difference refuses the rewrite. A
// packet that does not parse is reported as damaged, never replaced.
//
// Threads and the lock: exiv2's XMP parser keeps global state (its
// namespace registry) and is not thread-safe. Every function here takes
// XmpToolkitLock() for the whole of its exiv2 work, so XMP work of all
// threads is serialised; callers may call from any thread. The lock is a
// leaf: nothing else is locked and no callback runs while it is held, so it
// may be taken under any other lock (an item list's included). Code that
// calls exiv2's XMP functions directly must hold it too.
//
// Exceptions: exiv2's exceptions are caught per call and become a failed
// result; these functions do not throw (except std::bad_alloc).
#pragma once

#include "marks/Marks.h"

#include <mutex>
#include <string>
#include <string_view>

namespace lumora {

// Initialises the toolkit once for the process (later calls do nothing) and
// mutes its log. Every function below calls it; the application calls it at
// start-up so the first mark does not pay for it.
void InitXmpToolkit();

// The one lock of all exiv2 XMP work (see above).
std::mutex& XmpToolkitLock();

struct XmpMarksRead {
    bool ok = false;       // false: the packet does not parse (damaged)
    bool hasMarks = false; // a rating or a label property was present
    Marks marks;
    std::string error; // why it failed, for messages (UTF-8)
};

// Reads the marks of a packet (UTF-8 or UTF-16/32, with or without the
// xpacket wrapper). An empty or blank packet reads as no marks. The common
// sidecar (UTF-8, plain xmp:Rating and xmp:Label) is read without the
// toolkit and its lock; every other packet goes through the toolkit.
XmpMarksRead ReadXmpMarks(std::string_view packet);

struct XmpMarksRewrite {
    bool ok = false;
    std::string packet; // the new packet (UTF-8, with a wrapper) when ok
    std::string error;  // why it was refused (UTF-8)
};

// The packet with its marks changed to `marks`. An empty or blank `packet`
// makes a new one holding only the marks.
XmpMarksRewrite RewriteXmpMarks(std::string_view packet, const Marks& marks);

} // namespace lumora
