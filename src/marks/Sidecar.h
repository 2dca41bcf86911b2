// Marks kept in XMP sidecar files beside the images.
//
// Names: the sidecar of IMG_0001.CR3 is IMG_0001.xmp (the name most editors
// use, shared by a RAW file and the JPEG of the same shot) or
// IMG_0001.CR3.xmp (the name some raw developers use). Both are read; when
// both exist the longer, more particular name wins. The extension may be
// ".xmp" or ".XMP". A new sidecar takes the name of the setting.
//
// Writes: only sidecars are written, never an image file. The sidecar that
// exists is changed (every other property kept, see XmpMarks.h), or a new
// one made; always through WriteFileDurably, so the file is whole or as it
// was. A sidecar that does not parse is left untouched and the write
// refused with a message naming the file.
//
// Threads: every function may be called from any thread. Writes of the
// process are serialised by one lock (SidecarWriteLock) around each read-
// modify-write, so a mark from the viewer and one from the thumbnail view
// on the same file do not overwrite each other. Lock order: the sidecar
// write lock, then the XMP toolkit lock; no other lock may be taken while
// holding either, and callers do not hold an item list's lock when writing.
#pragma once

#include "marks/Marks.h"

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

namespace lumora {

// Largest sidecar read (a larger one is refused as damaged).
constexpr std::size_t kMaxSidecarBytes = 16u << 20;

enum class SidecarNaming { Stem = 0, FullName = 1 }; // IMG_0001.xmp, IMG_0001.CR3.xmp

// The two names for an image's file name (the stem form equals the full
// form's when the name has no extension).
struct SidecarNames {
    std::string stem; // IMG_0001.xmp
    std::string full; // IMG_0001.CR3.xmp
};
SidecarNames SidecarNamesFor(std::string_view fileName);

// Whether a file name is a sidecar's (ends in ".xmp", any case).
bool IsSidecarName(std::string_view name);

// The name of the sidecar of fileName among a folder's names, asked one
// name at a time through `exists` (the folder listing's set); "" for none.
std::string FindSidecarName(std::string_view fileName,
                            const std::function<bool(const std::string&)>& exists);

// The same, asking the file system (one lstat per candidate).
std::string FindSidecarOnDisk(const std::string& imagePath);

struct SidecarRead {
    bool ok = false; // false: it could not be read, or does not parse
    bool hasMarks = false;
    Marks marks;
    std::string error; // UTF-8, for messages
};

// Reads the marks of the sidecar at path (one open, fstat, read, close).
SidecarRead ReadSidecarMarks(const std::string& sidecarPath);

// A sidecar as it was before a write: restoring it is the undo of a mark.
struct SidecarSnapshot {
    std::string path;
    bool existed = false;
    std::string bytes;
};

struct SidecarWrite {
    bool ok = false;
    std::string sidecarPath; // the sidecar written (or that would have been)
    std::string message;     // when !ok: "「name」に印を書き込めません。\n<reason>"
    SidecarSnapshot before;  // when ok: what to restore for an undo
    bool unchanged = false;  // the marks were already so; nothing written
    Marks marks;             // when ok: the marks the file has now
};

// Sets the marks of imagePath in its sidecar.
SidecarWrite WriteSidecarMarks(const std::string& imagePath, const Marks& marks,
                               SidecarNaming naming = SidecarNaming::Stem);

// Applies one change to the marks of imagePath as one read-modify-write
// under the write lock: the base is the sidecar's marks when it has one
// (what another window may just have written), else `withoutSidecar` (the
// marks its embedded XMP gave). Concurrent changes of one file all land.
SidecarWrite ChangeSidecarMarks(const std::string& imagePath, const MarkChange& change,
                                const Marks& withoutSidecar,
                                SidecarNaming naming = SidecarNaming::Stem);

// Puts a sidecar back as the snapshot says (removes one that did not
// exist). ok or a message as above.
SidecarWrite RestoreSidecar(const SidecarSnapshot& snapshot);

// The marks of an image: its sidecar's when it has one, else its embedded
// XMP (JPEG, TIFF, DNG, PNG), else none. For callers outside the folder
// scan (the viewer's file, tools).
Marks ReadImageMarks(const std::string& imagePath);

std::mutex& SidecarWriteLock();

} // namespace lumora
