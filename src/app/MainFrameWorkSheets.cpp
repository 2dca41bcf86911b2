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
    return QMessageBox::question(this, QStringLiteral("Lumora"), text,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

void CMainFrame::tell(int icon, const QString& text) {
    if (tell_) {
        tell_(icon, text);
        return;
    }
    QMessageBox box(static_cast<QMessageBox::Icon>(icon), QStringLiteral("Lumora"), text,
                    QMessageBox::Ok, this);
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
    QString folder = folderText;
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
    // Every part of the window but the progress dialog (itself a child
    // window of the main window, so disabling the main window would disable
    // it too).
    if (!enabled) {
        disabledForExport_.clear();
        for (QObject* child : children()) {
            auto* w = qobject_cast<QWidget*>(child);
            if (!w || w->isWindow() || !w->isEnabled())
                continue;
            w->setEnabled(false);
            disabledForExport_.emplace_back(w);
        }
        return;
    }
    for (const QPointer<QWidget>& w : disabledForExport_)
        if (w)
            w->setEnabled(true);
    disabledForExport_.clear();
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
