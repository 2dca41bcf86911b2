// The caption face names of the settings resolve to the installed Japanese
// font through the configuration shipped beside the program.
#include "app/LumoraApp.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QTest>

#include <cstdlib>

class FontConfigTest : public QObject {
    Q_OBJECT
private slots:
    void captionFacesResolveToAJapaneseFont() {
        QVERIFY2(std::getenv("FONTCONFIG_FILE"), "the shipped configuration was not found");
        if (!QFontDatabase::families().join(',').contains("IPA"))
            QSKIP("no IPA font installed (scripts/install-deps installs it)");
        for (const char* face : {"MS UI Gothic", "ＭＳ Ｐゴシック"}) {
            const QFont font(QString::fromUtf8(face), 9);
            const QString family = QFontInfo(font).family();
            QVERIFY2(family.contains("IPA"), qPrintable(QString::fromUtf8(face) + " -> " + family));
            QVERIFY(QFontMetrics(font).inFont(QChar(0x5199))); // 写
        }
    }
};

int main(int argc, char* argv[]) {
    // The test runs from the build tree; the configuration sits in bin/fonts.
    ::unsetenv("FONTCONFIG_FILE");
    const QByteArray program = QByteArray(LUMORA_BINARY_DIR) + "/bin/lumora";
    lumora::useShippedFontConfig(program.constData(), /*useProcessImage=*/false);
    QApplication app(argc, argv);
    FontConfigTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "FontConfigTest.moc"
