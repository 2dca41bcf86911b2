// libFuzzer entry: a file list on the clipboard or in a drop, as another
// program offered it. The bytes hold the GNOME list, the URI list, the KDE
// cut mark and the plain text, separated by NUL bytes; an empty part is a
// form not offered.
#include "FuzzInput.h"

#include "platform/ClipboardFiles.h"

#include <QDir>
#include <QMimeData>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace lumora;
    if (fuzz::TooLong(size))
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<QByteArray> parts = bytes.split('\0');
    static const char* const kFormats[] = {kGnomeCopiedFilesMime, kUriListMime,
                                           kKdeCutSelectionMime, "text/plain"};
    QMimeData mime;
    for (qsizetype i = 0; i < parts.size() && i < 4; ++i) {
        if (!parts[i].isEmpty())
            mime.setData(QString::fromLatin1(kFormats[i]), parts[i]);
    }
    const std::optional<ClipboardFileList> list = readFileList(mime);
    if (hasFileList(mime) != list.has_value())
        std::abort();
    if (!list)
        return 0;
    if (list->paths.isEmpty())
        std::abort();
    for (const QString& path : list->paths) {
        if (!path.startsWith(QLatin1Char('/')))
            std::abort();
    }
    // What the program writes from the list reads back as the same list.
    const auto written = makeFileListMimeData(list->paths, list->dropEffect);
    const std::optional<ClipboardFileList> again = readFileList(*written);
    if (!again || again->paths != list->paths ||
        (list->dropEffect == DROPEFFECT_MOVE) != (again->dropEffect == DROPEFFECT_MOVE))
        std::abort();
    return 0;
}
