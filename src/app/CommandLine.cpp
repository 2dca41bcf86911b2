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

} // namespace lumora
