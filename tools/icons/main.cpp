// lumora-icons OUTDIR: writes the application icon as the PNG files of the
// hicolor icon theme (OUTDIR/hicolor/NxN/apps/lumora.png), drawn by the same
// code that gives the program's windows their icon.
#include "resources/ToolIcons.h"

#include <QDir>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: lumora-icons OUTDIR\n");
        return 2;
    }
    const QIcon icon = lumora::applicationIcon();
    const QString out = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString dir = QStringLiteral("%1/hicolor/%2x%2/apps").arg(out).arg(size);
        if (!QDir().mkpath(dir)) {
            std::fprintf(stderr, "lumora-icons: cannot create %s\n", qPrintable(dir));
            return 1;
        }
        const QPixmap pm = icon.pixmap(size, size);
        if (pm.width() != size || !pm.save(dir + QStringLiteral("/lumora.png"), "PNG")) {
            std::fprintf(stderr, "lumora-icons: cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
