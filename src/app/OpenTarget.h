// What a path given on the command line, or handed over by a second
// instance, opens. Called on the GUI thread at start-up and on hand-over;
// stateless and safe on any thread.
#pragma once

#include <QString>

namespace lumora {

enum class OpenTarget {
    WorkSheetList, // a .lsl file, a file whose first line is the list's magic
                   // line, and anything that is none of the others: read as a
                   // worksheet-list file (which reports what it cannot read)
    Folder,        // an existing folder: shown in the folder tab
    Image,         // a file of an image kind: its folder is shown, the image
                   // selected and opened in the viewer
};

// Looks at the path itself: a folder, or a regular file's extension and first
// bytes. Never blocks: a FIFO or device is not opened for reading.
OpenTarget classifyOpenTarget(const QString& path);

} // namespace lumora
