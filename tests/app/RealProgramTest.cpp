// Runs copies of the real program (offscreen) and looks at what they leave
// in their settings files.
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

using namespace lumora;

namespace {

const QString kProgram = QStringLiteral(LUMORA_BINARY_DIR "/bin/lumora");

std::unique_ptr<QProcess> start(const QString& program, const QStringList& args = {}) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process->setProcessEnvironment(env);
    process->start(program, args);
    process->waitForStarted();
    return process;
}

// True when the process is still running after `ms` (it did not end as a
// second instance).
bool keepsRunning(QProcess& process, int ms) {
    return !process.waitForFinished(ms);
}

int stop(QProcess& process) {
    process.terminate(); // SIGTERM: closes the window like the user would
    if (!process.waitForFinished(20000)) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace

TEST(RealProgram, RenamedCopyKeepsItsOwnSettingsAndHandsOverToTheRunningOne) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("photos");
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    const QString ini = dir.filePath("photos.ini");

    // A window closed while maximised comes back maximised.
    {
        CIniFile seed;
        writeFrameSettings(seed, {20, 30, 820, 630, SW_SHOWMAXIMIZED});
        seed.writeInt("FontSettings", "FileNameHeight", -12);
        seed.writeString("Mine", "Note", "kept");
        ASSERT_TRUE(seed.save(ini));
    }
    auto first = start(copy);
    if (!keepsRunning(*first, 1500))
        GTEST_SKIP() << "another Lumora instance of this user is running";

    // A second instance hands over its file and ends with 0, the first runs on.
    auto second = start(copy, {"list.lsl"});
    ASSERT_TRUE(second->waitForFinished(20000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_EQ(first->state(), QProcess::Running);
    auto bare = start(kProgram);
    ASSERT_TRUE(bare->waitForFinished(20000));
    EXPECT_EQ(bare->exitCode(), 0);

    EXPECT_EQ(stop(*first), 0);
    CIniFile saved;
    ASSERT_EQ(saved.load(ini), CIniFile::LoadResult::Loaded);
    EXPECT_EQ(readFrameSettings(saved, {}), (FrameSettings{20, 30, 820, 630, SW_SHOWMAXIMIZED}));
    EXPECT_EQ(saved.readInt("FontSettings", "FileNameHeight", 0), -12);
    EXPECT_EQ(saved.readString("Mine", "Note", {}), "kept");
    EXPECT_EQ(saved.readInt("ControlSettings", "FileType", 0), 7);
    EXPECT_FALSE(QFile::exists(dir.filePath("lumora.ini")));
}

// A renamed copy in a folder it cannot write to keeps its settings under
// its own name in the user's config folder, not in the file that the
// program under its usual name uses. Root may write anywhere, so the copy
// runs in a user namespace of its own, where the folder's owner bits hold.
TEST(RealProgram, RenamedCopyInAReadOnlyFolderUsesItsOwnNameInTheUserConfig) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                      QFile::ExeOwner | QFile::ReadOther |
                                                      QFile::ExeOther));
    const QString bin = dir.filePath("bin");
    const QString home = dir.filePath("home");
    const QString runtime = dir.filePath("run");
    ASSERT_TRUE(QDir().mkpath(bin) && QDir().mkpath(home) && QDir().mkpath(runtime));
    ASSERT_TRUE(
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QString copy = bin + "/photos";
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    ASSERT_TRUE(QFile::setPermissions(bin, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                               QFile::ExeOther));

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", home);
    env.insert("XDG_RUNTIME_DIR", runtime);
    env.remove("XDG_CONFIG_HOME");
    process.setProcessEnvironment(env);
    process.setChildProcessModifier([] {
        if (::unshare(CLONE_NEWUSER) != 0 && ::geteuid() == 0)
            ::_exit(77);
    });
    process.start(copy);
    ASSERT_TRUE(process.waitForStarted());
    if (process.waitForFinished(3000)) {
        if (process.exitCode() == 77)
            GTEST_SKIP() << "no user namespace to drop root's rights in";
        FAIL() << "ended at once with " << process.exitCode();
    }
    EXPECT_EQ(stop(process), 0);
    QFile::setPermissions(bin, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(QFile::exists(home + "/.config/lumora/photos.ini"));
    EXPECT_FALSE(QFile::exists(home + "/.config/lumora/lumora.ini"));
    EXPECT_FALSE(QFile::exists(bin + "/photos.ini"));
}

// A settings file edited by hand with gaps that make the column pitch zero
// (ItemSpace=0 with ImageSpace=-60 at 120x90), and other values no dialog
// would write: the program starts, lays out the folder and takes its shot.
TEST(RealProgram, HandEditedSettingsOutsideTheirRangesStillStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("lumora");
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    const QString folder = dir.filePath("pictures");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QDir samples(QStringLiteral(LUMORA_SHARED_SAMPLES "/camera-jpeg"));
    const QStringList jpegs = samples.entryList({"*.jpg", "*.JPG"}, QDir::Files, QDir::Name);
    for (qsizetype i = 0; i < jpegs.size() && i < 3; ++i)
        ASSERT_TRUE(QFile::copy(samples.filePath(jpegs[i]), QDir(folder).filePath(jpegs[i])));

    {
        CIniFile seed = CIniFile::fromText("[DisplaySettings]\nItemSpace=0\nImageSpace=-60\n"
                                           "CustomThumbnailSizeHorz=0\nMiscKind=abc\n"
                                           "[ControlSettings]\nThumbnailSize=1\n"
                                           "MainDividerPos=-400\nInfoDividerPos=99999999\n"
                                           "[FontSettings]\nFileNameHeight=2147483647\n"
                                           "[PreviewSettings]\nPreimageSize=0\n");
        writeBinPath(seed, folder);
        ASSERT_TRUE(seed.save(dir.filePath("lumora.ini")));
    }
    const QString shot = dir.filePath("shot.png");
    auto process = start(copy, {"--screenshot", shot});
    ASSERT_TRUE(process->waitForFinished(60000));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
    QFile png(shot);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    EXPECT_EQ(png.read(8), QByteArray("\x89PNG\r\n\x1a\n", 8));
}

// A folder whose pictures carry no thumbnail of their own: the screenshot
// waits until the decode pool has made every one on screen (each made one
// is also written to the shared thumbnail cache).
TEST(RealProgram, ScreenshotWaitsForThumbnailsMadeFromWholeFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString copy = dir.filePath("lumora");
    ASSERT_TRUE(QFile::copy(kProgram, copy));
    const QString folder = dir.filePath("plain");
    ASSERT_TRUE(QDir().mkpath(folder));
    // A first screen of the default window full of noisy 12 MP pictures,
    // slow enough to decode that an early screenshot would miss some.
    constexpr int kFiles = 12;
    QImage noise(4000, 3000, QImage::Format_RGB32);
    uint32_t x = 2463534242u;
    for (int y = 0; y < noise.height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(noise.scanLine(y));
        for (int i = 0; i < noise.width(); ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            row[i] = x;
        }
    }
    const QString first = QDir(folder).filePath(QStringLiteral("p0.jpg"));
    ASSERT_TRUE(noise.save(first, "JPG", 90));
    for (int i = 1; i < kFiles; ++i)
        ASSERT_TRUE(QFile::copy(first, QDir(folder).filePath(QStringLiteral("p%1.jpg").arg(i))));
    const QString cache = dir.filePath("cache");
    const QString shot = dir.filePath("shot.png");
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CACHE_HOME", cache);
    // An empty home folder: the tree's first folder loads (and ends) at once,
    // before the folder named on the command line is even listed.
    ASSERT_TRUE(QDir().mkpath(dir.filePath("home")));
    env.insert("HOME", dir.filePath("home"));
    process->setProcessEnvironment(env);
    process->start(copy, {"--screenshot", shot, folder});
    ASSERT_TRUE(process->waitForFinished(60000));
    EXPECT_EQ(process->exitCode(), 0);
    int entries = 0;
    for (const char* size : {"normal", "large"})
        entries += static_cast<int>(
            QDir(cache + "/thumbnails/" + size).entryList({"*.png"}, QDir::Files).size());
    EXPECT_EQ(entries, kFiles);
    EXPECT_FALSE(QImage(shot).isNull());
}
