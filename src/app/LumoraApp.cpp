#include "app/LumoraApp.h"

#include "app/MainFrame.h"
#include "app/OpenTarget.h"
#include "platform/SingleInstance.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include <sys/socket.h>
#include <unistd.h>

namespace lumora {

namespace {

int g_signalSockets[2] = {-1, -1};

void onTerminationSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalSockets[1], &byte, 1);
}

} // namespace

CLumoraApp::CLumoraApp() = default;

CLumoraApp::~CLumoraApp() {
    signalNotifier_.reset();
    frame_.reset();
    instance_.reset();
}

bool CLumoraApp::InitInstance(const QStringList& args) {
    cmdInfo_ = parseCommandLine(args, QDir::currentPath());
    const bool screenshotRun = !cmdInfo_.screenshot.isEmpty();

    if (!screenshotRun) {
        instance_ = std::make_unique<CSingleInstance>();
        switch (instance_->acquire()) {
        case CSingleInstance::Role::Failed:
            return false;
        case CSingleInstance::Role::Second: {
            const QString file = cmdInfo_.shellCommand == CommandLineInfo::ShellCommand::Open
                                     ? cmdInfo_.fileName
                                     : QString();
            instance_->handOver(file);
            return false;
        }
        case CSingleInstance::Role::First:
            break;
        }
    }

    profilePath_ = settingsFilePathForProcess(QCoreApplication::applicationFilePath());
    frame_ = std::make_unique<CMainFrame>(profilePath_);
    // A folder or an image on the command line starts like a plain start (the
    // default worksheet exists); a worksheet list brings its own.
    const bool opening = cmdInfo_.shellCommand == CommandLineInfo::ShellCommand::Open;
    const bool opensList =
        opening && classifyOpenTarget(cmdInfo_.fileName) == OpenTarget::WorkSheetList;
    frame_->setCreateDefaultWorkSheet(cmdInfo_.shellCommand == CommandLineInfo::ShellCommand::New ||
                                      (opening && !opensList));
    frame_->create();
    frame_->placeFromSettings();
    frame_->setReadyForFolderDisplay();
    if (opening)
        frame_->openPath(cmdInfo_.fileName);
    frame_->markRunning();

    if (instance_) {
        CMainFrame* frame = frame_.get();
        instance_->setHandler([frame](const std::optional<QString>& file) {
            frame->bringToFront();
            if (file)
                frame->openPath(*file);
        });
        instance_->markReady();
    }

    closeOnTerminationSignals();

    if (screenshotRun) {
        const QString target = cmdInfo_.screenshot;
        CMainFrame* frame = frame_.get();
        frame_->whenIdleForScreenshot(
            [frame, target] { QCoreApplication::exit(frame->saveScreenshot(target) ? 0 : 1); });
    }
    return true;
}

void CLumoraApp::closeOnTerminationSignals() {
    if (g_signalSockets[0] < 0 &&
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalSockets) != 0)
        return;
    signalNotifier_ = std::make_unique<QSocketNotifier>(g_signalSockets[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(g_signalSockets[0], &byte, 1);
        if (frame_)
            frame_->closeWithoutQuestions();
        else
            QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

int CLumoraApp::ExitInstance() {
    instance_.reset();
    return 0;
}

int CLumoraApp::run(const QStringList& args) {
    if (!InitInstance(args)) {
        ExitInstance();
        return 0;
    }
    const int status = QCoreApplication::exec();
    frame_.reset();
    const int exitStatus = ExitInstance();
    return status != 0 ? status : exitStatus;
}

void useShippedFontConfig(const char* argv0, bool useProcessImage) {
    if (std::getenv("FONTCONFIG_FILE") || !argv0)
        return;
    std::error_code ec;
    std::filesystem::path program;
    if (useProcessImage)
        program = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!useProcessImage || ec)
        program = std::filesystem::absolute(argv0, ec);
    // Beside the program in the build tree; under share/ when installed.
    const std::filesystem::path bin = program.parent_path();
    for (const std::filesystem::path& config :
         {bin / "fonts" / "lumora-fonts.conf",
          bin / ".." / "share" / "lumora" / "fonts" / "lumora-fonts.conf"}) {
        if (std::filesystem::is_regular_file(config, ec)) {
            ::setenv("FONTCONFIG_FILE", config.lexically_normal().c_str(), 1);
            return;
        }
    }
}

} // namespace lumora
