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
