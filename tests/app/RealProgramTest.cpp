// Runs copies of the real program (offscreen) and looks at what they leave
// in their settings files.
#include "settings/SettingsStore.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

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
