// The real program on a folder that holds a FIFO named like a picture among
// real pictures: the other thumbnails are made, the first load ends, and the
// program ends promptly, whether it finishes a screenshot run or is told to
// close with SIGTERM.
#include "settings/SettingsStore.h"

#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace lumora;

namespace {

const QString kProgram = QStringLiteral(LUMORA_BINARY_DIR "/bin/lumora");

// A renamed copy of the program with its own settings file that opens
// `folder` at start.
struct ProgramCopy {
    explicit ProgramCopy(const QString& folder) {
        program = dir.filePath("oddfiles");
        ok = dir.isValid() && QFile::copy(kProgram, program);
        CIniFile ini;
        writeBinPath(ini, folder);
        ok = ok && ini.save(dir.filePath("oddfiles.ini"));
    }
    std::unique_ptr<QProcess> Start(const QStringList& args) const {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(program, args);
        process->waitForStarted();
        return process;
    }
    QTemporaryDir dir;
    QString program;
    bool ok = false;
};

// Pictures of pure red and a FIFO named b.jpg in between.
struct PictureFolder {
    PictureFolder() {
        QImage red(320, 240, QImage::Format_RGB32);
        red.fill(QColor(255, 0, 0));
        ok = dir.isValid();
        for (const char* name : {"a.jpg", "c.jpg", "d.jpg"})
            ok = ok && red.save(dir.filePath(name), "JPEG", 95);
        ok = ok && ::mkfifo(QFile::encodeName(dir.filePath("b.jpg")).constData(), 0600) == 0;
    }
    QTemporaryDir dir;
    bool ok = false;
};

int redPixels(const QImage& image) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c(image.pixel(x, y));
            n += c.red() > 200 && c.green() < 60 && c.blue() < 60;
        }
    return n;
}

} // namespace

TEST(OddFilesProgram, FifoAmongPicturesDoesNotStopThumbnailsOrTheScreenshotRun) {
    PictureFolder folder;
    ASSERT_TRUE(folder.ok);
    ProgramCopy copy(folder.dir.path());
    ASSERT_TRUE(copy.ok);
    const QString shot = copy.dir.filePath("shot.png");
    QElapsedTimer timer;
    timer.start();
    auto process = copy.Start({"--screenshot", shot});
    // The screenshot run ends once the first load is done (else after 30 s).
    const bool ended = process->waitForFinished(25000);
    if (!ended) {
        process->kill();
        process->waitForFinished();
    }
    ASSERT_TRUE(ended) << "the program did not end";
    EXPECT_LT(timer.elapsed(), 25000);
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
    QImage image(shot);
    ASSERT_FALSE(image.isNull());
    // Three red thumbnails of 120 x 90 each (two would give 21600 pixels).
    EXPECT_GT(redPixels(image), 30000);
}

TEST(OddFilesProgram, FifoAmongPicturesLetsTheProgramCloseOnSigterm) {
    PictureFolder folder;
    ASSERT_TRUE(folder.ok);
    ProgramCopy copy(folder.dir.path());
    ASSERT_TRUE(copy.ok);
    auto process = copy.Start({});
    if (process->waitForFinished(3000))
        GTEST_SKIP() << "another Lumora instance of this user is running";
    QElapsedTimer timer;
    timer.start();
    process->terminate(); // SIGTERM closes the window as the user would
    const bool ended = process->waitForFinished(15000);
    if (!ended) {
        process->kill();
        process->waitForFinished();
    }
    EXPECT_TRUE(ended) << "SIGTERM did not end the program";
    EXPECT_LT(timer.elapsed(), 15000);
}
