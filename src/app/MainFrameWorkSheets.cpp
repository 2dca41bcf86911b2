// The main window's worksheet commands and the export of a worksheet to a
// folder: the dialog, the folder checks, the progress dialog and the copy
// worker's messages.
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "app/MainCommands.h"
#include "platform/DurableFile.h"
#include "thumbnails/FileProgressDlg.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/WorkSheetExport.h"
#include "thumbnails/WorkSheetTabStrip.h"
#include "thumbnails/WorkSheetWriteDlg.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QToolBar>

#include <sys/stat.h>

namespace lumora {

bool CMainFrame::ask(const QString& text) {
    if (ask_)
        return ask_(text);
    QMessageBox box(QMessageBox::Question, QStringLiteral("Lumora"), text,
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEnabled(true); // answerable while an export keeps this window disabled
    return box.exec() == QMessageBox::Yes;
}

void CMainFrame::tell(int icon, const QString& text) {
    if (tell_) {
        tell_(icon, text);
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), QStringLiteral("Lumora"), text,
                    QMessageBox::Ok, this);
    box.setEnabled(true);
    box.exec();
}

void CMainFrame::plugWorkSheetCommands() {
    CListContainerWnd* lc = listContainer_;
    CommandHooks& h = commands().hooks();
    h.worksheetNames = [lc] { return lc->worksheetNames(); };
    h.defaultWorksheet = [lc] { return lc->defaultWorksheet(); };
    h.createWorksheet = [lc](const QString& name) {
        return lc->CreateTab(CListContainerWnd::kWorkSheetTab, name);
    };
    h.cycleTab = [lc](int step) { lc->CycleTab(step); };
    h.closeCurrentWorksheet = [lc] { lc->CloseCurrentWorksheet(); };
    h.closeAllWorksheets = [lc] { lc->CloseAllWorksheets(); };
    h.closeWorksheet = [lc](int tab) { lc->CloseWorksheet(tab); };
    h.setDefaultWorksheet = [lc](int tab) { lc->SetDefaultWorksheet(tab); };
    h.addSelectionTo = [lc](int tab) { lc->AddSelectionTo(tab); };
    h.clearCurrentWorksheet = [lc] { lc->ClearCurrentWorksheet(); };
    h.currentWorksheetName = [lc] { return lc->GetCurrentWorksheetName(); };
    h.readList = [lc](const QString& path) { lc->ReadList(path); };
    h.saveCurrentAsList = [this, lc](const QString& path) {
        // A list that cannot be written gets no message box; the status bar
        // says so.
        const bool saved = lc->SaveCurrentAsList(path);
        if (!saved)
            statusBar()->showMessage(QStringLiteral("ファイルリストを保存できませんでした"), 5000);
        return saved;
    };
    h.exportCurrentWorksheet = [this] { exportWorkSheet(); };
    // Every view's context menu runs through the command table.
    for (int i = 1; i < lc->tabCount(); ++i)
        commands().attachView(lc->view(i));
    connect(lc, &CListContainerWnd::viewCreated, this,
            [this](CThumbnailCtrl* view) { commands().attachView(view); });
    connect(lc, &CListContainerWnd::workSheetsChanged, this,
            [this] { commands().scheduleUpdate(); });
    commands().updateStates();
    setWorkSheetListReader([lc](const QString& path) { lc->ReadList(path); });
}

// ---- export ------------------------------------------------------------------

void CMainFrame::exportWorkSheet() {
    if (exportWorker_ || listContainer_->currentKind() != CListContainerWnd::kWorkSheetTab)
        return;
    CWorkSheetWriteDlg dialog(this);
    dialog.setValues(exportFolder_, exportMethod_);
    if (tell_)
        dialog.setMessageHandler([this](const QString& text) { tell(QMessageBox::Warning, text); });
    if (dialog.exec() != QDialog::Accepted)
        return;
    exportFolder_ = dialog.folder();
    exportMethod_ = dialog.method();
    startExport(exportFolder_, exportMethod_);
}

bool CMainFrame::startExport(const QString& folderText, int method) {
    CListContainerWnd* lc = listContainer_;
    CThumbnailCtrl* view = lc->currentView();
    if (exportWorker_ || !view || lc->currentKind() != CListContainerWnd::kWorkSheetTab ||
        folderText.isEmpty())
        return false;
    // "~" is the home folder; a relative text is refused, not resolved
    // against the folder the program happened to start in.
    const std::optional<QString> resolved =
        CWorkSheetWriteDlg::ResolveFolder(folderText, QDir::homePath());
    if (!resolved) {
        tell(QMessageBox::Warning, CWorkSheetWriteDlg::RelativeFolderMessage(folderText));
        return false;
    }
    const QString folder = *resolved;
    if (!QFileInfo::exists(folder)) {
        if (!ask(QStringLiteral("%1\nは存在しないフォルダです。作成しますか？").arg(folder)))
            return false;
        if (!CreateFolderAllLevels(folder.toStdString())) {
            tell(QMessageBox::Warning,
                 QStringLiteral("フォルダの作成に失敗しました。書き出しを中止します。"));
            return false;
        }
    }
    // A worksheet name that cannot be a folder name stops method 1 before
    // anything is shown.
    std::string destination = folder.toStdString();
    std::optional<std::string> subFolder;
    if (method == 1) {
        subFolder = WorkSheetFolderName(lc->GetCurrentWorksheetName().toStdString());
        if (!subFolder) {
            tell(QMessageBox::Warning,
                 QStringLiteral("「%1」 はフォルダ名に使えません。書き出しを中止します。")
                     .arg(lc->GetCurrentWorksheetName()));
            return false;
        }
    }

    exportProgress_ = new CFileProgressDlg(this);
    exportProgress_->setAttribute(Qt::WA_DeleteOnClose);
    exportProgress_->show();
    exportProgress_->move(geometry().center() - exportProgress_->rect().center());
    setWindowEnabledForExport(false);

    if (subFolder) {
        destination = ExportDestination(destination, *subFolder);
        // Only this one folder is made; when it cannot be (it exists, or the
        // place is read-only) nothing is copied.
        if (::mkdir(destination.c_str(), 0777) != 0) {
            finishExport();
            tell(QMessageBox::Warning,
                 QStringLiteral("フォルダ「%1」を作成できませんでした。書き出しを中止します。")
                     .arg(QString::fromStdString(destination)));
            return false;
        }
    }

    // The pairs come from one snapshot of the list, taken under its lock.
    std::vector<std::string> sources;
    view->list().CollectPaths(sources);
    std::vector<ExportPair> pairs;
    pairs.reserve(sources.size());
    for (std::string& source : sources) {
        const std::size_t slash = source.rfind('/');
        const std::string name = slash == std::string::npos ? source : source.substr(slash + 1);
        pairs.push_back({std::move(source), ExportDestination(destination, name)});
    }
    exportWorker_ = std::make_unique<CExportWorker>(this, std::move(pairs));
    CExportWorker* worker = exportWorker_.get();
    connect(exportProgress_, &CFileProgressDlg::cancelRequested, this,
            [worker] { worker->Cancel(); });
    exportWorker_->Start();
    return true;
}

void CMainFrame::setWindowEnabledForExport(bool enabled) {
    // The whole main window, so that neither its panes nor its menus, bars
    // and accelerators reach anything while the copy runs. Disabling it
    // disables its own windows too (the progress dialog, the viewer); those
    // that were usable are made usable again at once.
    if (!enabled) {
        focusBeforeExport_ = focusWidget();
        std::vector<QWidget*> windows;
        for (QObject* child : children())
            if (auto* w = qobject_cast<QWidget*>(child); w && w->isWindow() && w->isEnabled())
                windows.push_back(w);
        setEnabled(false);
        for (QWidget* w : windows)
            w->setEnabled(true);
        return;
    }
    setEnabled(true);
    // Disabling took the focus away; the pane that had it gets it back.
    if (focusBeforeExport_ && focusBeforeExport_->window() == this)
        focusBeforeExport_->setFocus();
    focusBeforeExport_ = nullptr;
}

void CMainFrame::finishExport() {
    if (exportWorker_) {
        exportWorker_->Join();
        exportWorker_.reset();
    }
    if (exportProgress_) {
        exportProgress_->close();
        exportProgress_ = nullptr;
    }
    setWindowEnabledForExport(true);
    emit exportFinished();
}

bool CMainFrame::workSheetEvent(QEvent* e) {
    if (auto* m = MessageCast<ExportProgressMessage>(e)) {
        if (exportProgress_) {
            exportProgress_->SetRange(m->total);
            exportProgress_->SetPos(m->started);
        }
        return true;
    }
    if (auto* m = MessageCast<ExportFileMessage>(e)) {
        if (exportProgress_)
            exportProgress_->SetCopying(m->destination);
        return true;
    }
    if (auto* m = MessageCast<ExportDoneMessage>(e)) {
        // A copy stopped by closing the window was finished then; its own
        // late message is no news (and must not end a later export).
        if (!exportWorker_ || !exportWorker_->Finished())
            return true;
        const int stopError = m->stopError;
        const QString stopFile = m->stopFile;
        finishExport();
        // A full disk or a read-only or vanished folder stopped the copying:
        // which file, why, and that the rest was not written.
        if (stopError != 0)
            tell(QMessageBox::Warning,
                 QStringLiteral("「%1」を書き出せませんでした。\n%2\n書き出しを中止します。")
                     .arg(stopFile, QString::fromStdString(DurableErrorText(stopError))));
        return true;
    }
    return false;
}

} // namespace lumora
