#include "app/LumoraApp.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    lumora::useShippedFontConfig(argc > 0 ? argv[0] : nullptr);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lumora"));
    lumora::CLumoraApp lumoraApp;
    return lumoraApp.run(QCoreApplication::arguments().mid(1));
}
