// The display profile under a real X server (run by display_colours_xvfb.sh
// under Xvfb): the root window's _ICC_PROFILE properties read and followed
// as another client sets, changes and removes them, and the choice between
// the desktop's profile, the settings page's file and sRGB.
#include "app/DisplayColours.h"
#include "colour/ColourProfile.h"
#include "platform/DisplayIcc.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <lcms2.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <fstream>

using namespace lumora;

namespace {

// Another client of the same X server, as a colour daemon would be.
class OtherClient {
public:
    OtherClient() : c_(xcb_connect(nullptr, nullptr)) {
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~OtherClient() { xcb_disconnect(c_); }
    void set(const QByteArray& name, const std::vector<uint8_t>& bytes, uint8_t format = 8) {
        const uint32_t count = static_cast<uint32_t>(bytes.size() / (format / 8));
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, atom(name), XCB_ATOM_CARDINAL, format,
                            count, bytes.data());
        xcb_flush(c_);
    }
    void remove(const QByteArray& name) {
        xcb_delete_property(c_, root_, atom(name));
        xcb_flush(c_);
    }

private:
    xcb_atom_t atom(const QByteArray& name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(name.size()), name.constData()),
            nullptr);
        const xcb_atom_t a = r ? r->atom : 0;
        std::free(r);
        return a;
    }
    xcb_connection_t* c_;
    xcb_window_t root_ = 0;
};

std::vector<uint8_t> wideProfile() {
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE p{{0.7347, 0.2653, 1}, {0.1596, 0.8404, 1}, {0.0366, 0.0001, 1}};
    cmsToneCurve* g = cmsBuildGamma(nullptr, 1.8);
    cmsToneCurve* curves[3] = {g, g, g};
    cmsHPROFILE h = cmsCreateRGBProfile(&white, &p, curves);
    cmsFreeToneCurve(g);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(h, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(h, bytes.data(), &size);
    cmsCloseProfile(h);
    return bytes;
}

} // namespace

class DisplayColoursTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("needs the xcb platform (run under Xvfb by display_colours_xvfb.sh)");
        OtherClient x;
        for (int i = 0; i < 3; ++i)
            x.remove(CDisplayIccWatch::AtomName(i));
    }

    void propertyNamesFollowTheConvention() {
        QCOMPARE(CDisplayIccWatch::AtomName(0), QByteArray("_ICC_PROFILE"));
        QCOMPARE(CDisplayIccWatch::AtomName(1), QByteArray("_ICC_PROFILE_1"));
        QCOMPARE(CDisplayIccWatch::AtomName(7), QByteArray("_ICC_PROFILE_7"));
    }

    void propertiesAreReadAndFollowed() {
        CDisplayIccWatch watch;
        QVERIFY(watch.onX());
        QVERIFY(watch.Read(0).empty());
        QSignalSpy changed(&watch, &CDisplayIccWatch::Changed);
        OtherClient x;
        const std::vector<uint8_t> adobe = AdobeRgbProfile()->Bytes();
        x.set("_ICC_PROFILE", adobe);
        QVERIFY(changed.wait(5000));
        QVERIFY(watch.Read(0) == adobe);
        // Another monitor's property, another change.
        const std::vector<uint8_t> wide = wideProfile();
        x.set("_ICC_PROFILE_1", wide);
        QVERIFY(changed.wait(5000));
        QVERIFY(watch.Read(1) == wide);
        QVERIFY(watch.Read(0) == adobe);
        // Data of the wrong format is no profile.
        x.set("_ICC_PROFILE_1", wide, 32);
        QVERIFY(changed.wait(5000));
        QVERIFY(watch.Read(1).empty());
        // Removed with the desktop's own tool.
        changed.clear();
        QCOMPARE(std::system("xprop -root -remove _ICC_PROFILE"), 0);
        QVERIFY(changed.wait(5000));
        QVERIFY(watch.Read(0).empty());
        // Properties of other names are not reported.
        changed.clear();
        x.set("_SOMETHING_ELSE", adobe);
        QTest::qWait(300);
        QCOMPARE(changed.count(), 0);
        x.remove("_ICC_PROFILE_1");
    }

    void desktopThenFileThenSrgb() {
        QWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        CDisplayColours colours(&window);
        colours.Update();
        QCOMPARE(colours.source(), CDisplayColours::Source::Srgb);
        QCOMPARE(DisplayProfile(), SrgbProfile());

        QTemporaryDir dir;
        const QString file = dir.filePath("monitor.icc");
        const std::vector<uint8_t> wide = wideProfile();
        std::ofstream(file.toStdString(), std::ios::binary)
            .write(reinterpret_cast<const char*>(wide.data()), std::streamsize(wide.size()));
        QSignalSpy changed(&colours, &CDisplayColours::ProfileChanged);
        colours.SetProfileFile(file);
        QCOMPARE(colours.source(), CDisplayColours::Source::SettingsFile);
        QCOMPARE(DisplayProfile()->hash(), HashBytes(wide));
        QCOMPARE(changed.count(), 1);

        // The desktop's profile wins over the file, and is followed.
        const uint64_t generation = DisplayProfileGeneration();
        OtherClient x;
        x.set("_ICC_PROFILE", AdobeRgbProfile()->Bytes());
        QTRY_COMPARE_WITH_TIMEOUT(colours.source(), CDisplayColours::Source::Desktop, 5000);
        QCOMPARE(DisplayProfile()->hash(), AdobeRgbProfile()->hash());
        QVERIFY(DisplayProfileGeneration() > generation);

        // A damaged profile on the root window counts as none: the file again.
        std::vector<uint8_t> damaged = AdobeRgbProfile()->Bytes();
        damaged.resize(damaged.size() / 2);
        x.set("_ICC_PROFILE", damaged);
        QTRY_COMPARE_WITH_TIMEOUT(colours.source(), CDisplayColours::Source::SettingsFile, 5000);

        // Neither: sRGB.
        x.remove("_ICC_PROFILE");
        colours.SetProfileFile(dir.filePath("missing.icc"));
        QCOMPARE(colours.source(), CDisplayColours::Source::Srgb);
        QCOMPARE(DisplayProfile(), SrgbProfile());
    }
};

QTEST_MAIN(DisplayColoursTest)
#include "DisplayColoursTest.moc"
