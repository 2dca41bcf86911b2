#include "app/MainFrame.h"
#include "app/SettingsStore.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QString screenshot;
    const QStringList args = QCoreApplication::arguments();
    for (qsizetype i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--screenshot"))
            screenshot = args[i + 1];
    }
    lumora::CMainFrame frame(
        lumora::settingsFilePathForProcess(QCoreApplication::applicationFilePath()));
    frame.create();
    frame.placeFromSettings();
    frame.setReadyForFolderDisplay();
    frame.markRunning();
    if (!screenshot.isEmpty()) {
        frame.whenIdleForScreenshot(
            [&] { QCoreApplication::exit(frame.saveScreenshot(screenshot) ? 0 : 1); });
    }
    return app.exec();
}
