#include "app/LumoraApp.h"

#include <QApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    // --help needs no display, so it is answered before the application exists.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (lumora::parseCommandLine(args, QString()).help) {
        std::fputs(lumora::commandLineUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    lumora::useShippedFontConfig(argc > 0 ? argv[0] : nullptr);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    lumora::CLumoraApp lumoraApp;
    return lumoraApp.run(QCoreApplication::arguments().mid(1));
}
