// The application object: parses the command line, keeps one instance per
// user (a second one hands its file to the first and ends with status 0),
// creates and places the main window, and ends the run.
//
// Start-up (InitInstance), in order: parse the command line; take the
// single-instance lock; as a second instance hand over and end; build the
// settings file path; construct the main window (default worksheet on
// "new"); create it (settings, panes); place and show it from FrameSettings;
// turn folder display on; read the command-line file on "open"; mark the
// window running and accept hand-overs.
//
// With --screenshot the single-instance lock is left alone, so a shot can be
// taken while another instance runs; the program saves the picture once
// start-up work is done and exits (see CMainFrame::whenIdleForScreenshot).
#pragma once

#include "app/CommandLine.h"

#include <QString>

#include <memory>

class QSocketNotifier;

namespace lumora {

class CMainFrame;
class CSingleInstance;

class CLumoraApp {
public:
    CLumoraApp();
    ~CLumoraApp();

    // Returns false to end at once (second instance, lock failure).
    bool InitInstance(const QStringList& args);
    // Releases the single-instance lock.
    int ExitInstance();

    // InitInstance, the event loop, ExitInstance: the process exit status.
    int run(const QStringList& args);

    CMainFrame* mainFrame() const { return frame_.get(); }
    const CommandLineInfo& commandLine() const { return cmdInfo_; }
    const QString& profilePath() const { return profilePath_; }

private:
    // SIGTERM, SIGINT and SIGHUP close the main window like the user would,
    // so the session's end still writes the settings.
    void closeOnTerminationSignals();

    CommandLineInfo cmdInfo_;
    QString profilePath_;
    std::unique_ptr<CSingleInstance> instance_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
};

// Points fontconfig at the configuration shipped beside the program, which
// maps the caption face names to the installed Japanese font. Must run
// before the QApplication exists. Keeps a FONTCONFIG_FILE the user set.
// The program's folder is that of the running executable, or of `argv0`
// when `useProcessImage` is false or the executable cannot be found.
void useShippedFontConfig(const char* argv0, bool useProcessImage = true);

} // namespace lumora
