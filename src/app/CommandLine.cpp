#include "app/CommandLine.h"

#include <QDir>

namespace lumora {

CommandLineInfo parseCommandLine(const QStringList& args, const QString& currentDir) {
    CommandLineInfo info;
    bool flagSeen = false;
    QString file;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--screenshot")) {
            if (i + 1 < args.size())
                info.screenshot = QDir(currentDir).absoluteFilePath(args[++i]);
            continue;
        }
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            info.help = true;
            continue;
        }
        if (arg.startsWith(QLatin1Char('-'))) {
            flagSeen = true;
            continue;
        }
        if (file.isEmpty() && !arg.isEmpty())
            file = arg;
    }
    if (!file.isEmpty())
        info.fileName = QDir::cleanPath(QDir(currentDir).absoluteFilePath(file));
    if (flagSeen)
        info.shellCommand = CommandLineInfo::ShellCommand::Other;
    else if (!file.isEmpty())
        info.shellCommand = CommandLineInfo::ShellCommand::Open;
    return info;
}

QString commandLineUsage() {
    return QStringLiteral(
        "Usage: lumora [PATH]\n"
        "\n"
        "Browse folders of camera images.\n"
        "\n"
        "PATH may be\n"
        "  a folder          shown in the folder tab\n"
        "  an image file     its folder is shown, the image selected and opened in the viewer\n"
        "  a worksheet list  (.lsl, or a file starting with \"Lumora WorkSheetFile\")\n"
        "                    read into a new worksheet tab\n"
        "When Lumora is already running, the path is handed to the running window.\n"
        "\n"
        "Options:\n"
        "  -h, --help               show this text and exit\n"
        "  --screenshot FILE.png    start, wait until the first folder is loaded, save a\n"
        "                           picture of the main window and exit (for tests)\n");
}

} // namespace lumora
