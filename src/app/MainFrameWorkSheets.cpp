// The main window's worksheet commands and the export of a worksheet to a
// folder: the dialog, the folder checks, the progress dialog and the copy
// worker's messages.
#include "app/MainFrame.h"

#include "app/ListContainerWnd.h"
#include "engine/ViewCountMessage.h"
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

namespace {

const char kListFilter[] = "Lumoraワークシートリスト(*.lsl);;すべてのファイル(*)";

// Command numbers of the worksheet commands.
constexpr int ID_SHEET_NEW = 32790;
constexpr int ID_SHEET_READ = 32915;
constexpr int ID_SHEET_CLEAR = 32795;
constexpr int ID_SHEET_CLOSE = 32794;
constexpr int ID_SHEET_CLOSEALL = 32908;
constexpr int ID_SHEET_SAVELIST = 32910;
constexpr int ID_SHEET_EXPORT = 32793;
constexpr int ID_SHEET_ADDDEFAULT = 36021;
constexpr int ID_TAB_NEXT = 32982;
constexpr int ID_TAB_PREVIOUS = 32983;
constexpr int ID_CLOSE_FIRST = 32799;
constexpr int ID_ADD_FIRST = 34000;
constexpr int ID_DEFAULT_FIRST = 36025;
constexpr int kRange = 100;

bool inRange(int id, int first) {
    return id >= first && id < first + kRange;
}

} // namespace

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

std::optional<bool> CMainFrame::workSheetCommandEnabled(int id) const {
    if (!listContainer_)
        return std::nullopt;
    const CListContainerWnd* lc = listContainer_;
    CThumbnailCtrl* view = lc->currentView();
    const bool worksheet = lc->currentKind() == CListContainerWnd::kWorkSheetTab;
    const int sheets = lc->worksheetCount();
    const bool selection = view && view->list().CountSelected() > 0;
    switch (id) {
    case ID_SHEET_NEW:
    case ID_SHEET_READ:
    case ID_TAB_NEXT:
    case ID_TAB_PREVIOUS:
        return true;
    case ID_SHEET_CLEAR:
    case ID_SHEET_CLOSE:
    case ID_SHEET_SAVELIST:
    case ID_SHEET_EXPORT:
        return worksheet;
    case ID_SHEET_CLOSEALL:
        return sheets > 0;
    case ID_SHEET_ADDDEFAULT:
        return sheets > 0 && lc->defaultWorksheet() > 0 && selection &&
               lc->currentIndex() != lc->defaultWorksheet();
    default:
        break;
    }
    if (inRange(id, ID_ADD_FIRST))
        return selection && id - ID_ADD_FIRST < sheets;
    if (inRange(id, ID_CLOSE_FIRST))
        return id - ID_CLOSE_FIRST < sheets;
    if (inRange(id, ID_DEFAULT_FIRST))
        return id - ID_DEFAULT_FIRST < sheets;
    return std::nullopt;
}

void CMainFrame::runWorkSheetCommand(int id) {
    CListContainerWnd* lc = listContainer_;
    const auto closeQuestion = [](const QString& name) {
        return QStringLiteral("「%1」 をクローズします。\nよろしいですか？").arg(name);
    };
    switch (id) {
    case ID_SHEET_NEW:
        lc->CreateTab(CListContainerWnd::kWorkSheetTab);
        return;
    case ID_SHEET_READ: {
        QFileDialog dialog(this, QString(), QString(), QString::fromUtf8(kListFilter));
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            lc->ReadList(dialog.selectedFiles().front());
        return;
    }
    case ID_SHEET_CLEAR:
        if (ask(QStringLiteral(
                    "「%1」 に含まれる全てのオブジェクトを除外します。\nよろしいですか？")
                    .arg(lc->GetCurrentWorksheetName())))
            lc->ClearCurrentWorksheet();
        return;
    case ID_SHEET_CLOSE:
        if (ask(closeQuestion(lc->GetCurrentWorksheetName())))
            lc->CloseCurrentWorksheet();
        return;
    case ID_SHEET_CLOSEALL:
        if (ask(QStringLiteral("全てのワークシートをクローズします。\nよろしいですか？")))
            lc->CloseAllWorksheets();
        return;
    case ID_SHEET_SAVELIST: {
        QFileDialog dialog(this, QString(), QString(), QString::fromUtf8(kListFilter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QStringLiteral("lsl"));
        dialog.selectFile(lc->GetCurrentWorksheetName() + QStringLiteral(".lsl"));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return;
        // A list that cannot be written is not reported by a message box;
        // the status bar says so.
        if (!lc->SaveCurrentAsList(dialog.selectedFiles().front()))
            statusBar()->showMessage(QStringLiteral("ファイルリストを保存できませんでした"), 5000);
        return;
    }
    case ID_SHEET_EXPORT:
        exportWorkSheet();
        return;
    case ID_SHEET_ADDDEFAULT:
        lc->AddSelectionTo(-1);
        // The cursor moves on as the right-arrow key moves it.
        if (CThumbnailCtrl* view = lc->currentView()) {
            QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
            QCoreApplication::sendEvent(view, &right);
        }
        return;
    case ID_TAB_NEXT:
        lc->CycleTab(+1);
        return;
    case ID_TAB_PREVIOUS:
        lc->CycleTab(-1);
        return;
    default:
        break;
    }
    if (inRange(id, ID_ADD_FIRST)) {
        lc->AddSelectionTo(id - ID_ADD_FIRST + 1);
    } else if (inRange(id, ID_CLOSE_FIRST)) {
        const int tab = id - ID_CLOSE_FIRST + 1;
        if (ask(closeQuestion(lc->tabName(tab))))
            lc->CloseWorksheet(tab);
    } else if (inRange(id, ID_DEFAULT_FIRST)) {
        lc->SetDefaultWorksheet(id - ID_DEFAULT_FIRST + 1);
    }
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
    if (auto* m = MessageCast<ViewCountMessage>(e)) {
        listContainer_->SetTabCount(m->tabIndex, m->count);
        return true;
    }
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
    if (MessageCast<ExportDoneMessage>(e)) {
        finishExport();
        return true;
    }
    return true;
}

} // namespace lumora
