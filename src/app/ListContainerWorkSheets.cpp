// The list container's worksheets: creating, switching, closing tabs, the
// default worksheet, adding files, and reading and writing worksheet-list
// files.
#include "app/ListContainerWnd.h"

#include "app/MainFrameMessages.h"
#include "platform/ClipboardFiles.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailCtrl.h"
#include "thumbnails/ThumbnailMessages.h"
#include "thumbnails/WorkSheetFile.h"
#include "thumbnails/WorkSheetTabStrip.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace lumora {

namespace {

const char kNotAWorkSheet[] = "指定されたファイルは正しいワークシートファイルではありません";
const char kEntriesMissing[] =
    "ワークシートファイルにエントリのあるファイルで、見つからないものがありました。\n"
    "ワークシートファイルの保存以降、削除または移動された可能性があります。";

std::unique_ptr<AddFilesRequest> addRequest(const QStringList& paths, bool rescan, bool select) {
    auto request = std::make_unique<AddFilesRequest>();
    request->paths.reserve(std::size_t(paths.size()));
    for (const QString& p : paths)
        request->paths.push_back(p.toStdString());
    request->rescan = rescan;
    request->select = select;
    return request;
}

} // namespace

CThumbnailCtrl* CListContainerWnd::view(int index) const {
    return index >= 0 && index < int(views_.size()) ? views_[std::size_t(index)] : nullptr;
}

QString CListContainerWnd::tabName(int index) const {
    return tabs_->Name(index);
}

int CListContainerWnd::tabItemCount(int index) const {
    return tabs_->ItemCount(index);
}

QStringList CListContainerWnd::worksheetNames() const {
    QStringList names;
    for (int i = 1; i < tabCount(); ++i)
        names << tabs_->Name(i);
    return names;
}

void CListContainerWnd::showMessage(QMessageBox::Icon icon, const QString& text) {
    if (messageBox_) {
        messageBox_(icon, text);
        return;
    }
    QMessageBox box(icon, QStringLiteral("Lumora"), text, QMessageBox::Ok, window());
    box.exec();
}

void CListContainerWnd::sendTitleCount() {
    if (!mainWindow_)
        return;
    ListTitleCountMessage m;
    Send(mainWindow_.data(), m);
}

void CListContainerWnd::renumberViews() {
    // The engines read these from their own threads; only this thread writes.
    for (std::size_t i = 0; i < views_.size(); ++i)
        views_[i]->SetTabIndex(int(i));
}

int CListContainerWnd::CreateTab(int kind, const QString& name) {
    const bool worksheet = kind == kWorkSheetTab;
    auto* v = new CThumbnailCtrl(divider_, worksheet ? 1 : 0, 1002);
    v->setObjectName(QStringLiteral("ThumbnailCtrl"));
    v->SetMainWindow(mainWindow_.data());
    v->SetContainer(this);
    WatchViewInfo(v);
    if (settingsGiven_)
        v->ApplySettings(settings_, false, false);
    // Only the current view is shown.
    if (current_ >= 0)
        v->hide();

    QString tabNameText = name;
    if (worksheet) {
        if (tabNameText.isEmpty())
            tabNameText = QStringLiteral("ワークシート%1").arg(worksheetCounter_ + 1);
        ++worksheetCounter_;
    }
    views_.push_back(v);
    needsRefresh_.push_back(true);
    const int index = tabs_->AddSheetTab(tabNameText);
    renumberViews();
    emit viewCreated(v);
    if (worksheet) {
        defaultWorksheet_ = index;
        tabs_->SetDefaultMark(index);
        emit workSheetsChanged();
    }
    return index;
}

void CListContainerWnd::SwitchTab(int a) {
    if (a < 0 || a >= tabCount())
        return;
    if (a == current_) {
        tabs_->ShowSelected(a); // the strip may show a drop target
        return;
    }
    CThumbnailCtrl* next = views_[std::size_t(a)];
    // The viewer's image list belongs to the old view.
    if (mainWindow_) {
        ListClearedMessage cleared;
        Send(mainWindow_.data(), cleared);
    }
    divider_->SetPane(0, next);
    if (infoPanel_)
        divider_->SetPane(1, infoPanel_);
    divider_->SetAnchor(1);
    divider_->SetEdge();
    CThumbnailCtrl* old = view(current_);
    next->show();
    if (old && old != next)
        old->hide();
    divider_->Layout();
    if (needsRefresh_[std::size_t(a)]) {
        needsRefresh_[std::size_t(a)] = false;
        if (a == 0) {
            if (!next->folder().isEmpty())
                next->LoadFolder(next->folder());
        } else {
            next->Refresh();
        }
    }
    if (a > 0 && next->engine())
        next->engine()->Rescan();
    tabs_->ShowSelected(a);
    current_ = a;
    next->UpdateCurrentItem();
    sendTitleCount();
    next->setFocus(Qt::OtherFocusReason);
}

void CListContainerWnd::CycleTab(int step) {
    const int n = tabCount();
    if (n <= 1 || current_ < 0)
        return;
    SwitchTab(((current_ + (step >= 0 ? 1 : -1)) % n + n) % n);
}

QString CListContainerWnd::GetCurrentWorksheetName() const {
    return current_ > 0 ? tabs_->Name(current_) : QString();
}

void CListContainerWnd::adjustDefaultForClosing(int k) {
    // The default's index as it will be once tab k is removed.
    if (k == defaultWorksheet_) {
        if (k - 1 >= 1)
            defaultWorksheet_ = k - 1;
        else if (k + 1 < tabCount())
            defaultWorksheet_ = k; // the tab that follows, moved down to k
        else
            defaultWorksheet_ = 0;
    } else if (k < defaultWorksheet_) {
        --defaultWorksheet_;
    }
}

void CListContainerWnd::removeTab(int k) {
    // The mark moves with the default: set it on the tab that keeps it
    // before the strip renumbers.
    const int keeper = defaultWorksheet_;
    CThumbnailCtrl* v = views_[std::size_t(k)];
    views_.erase(views_.begin() + k);
    needsRefresh_.erase(needsRefresh_.begin() + k);
    tabs_->RemoveSheetTab(k);
    tabs_->SetDefaultMark(keeper);
    if (current_ > k)
        --current_;
    renumberViews();
    // Closing the view stops its engine thread and waits for it.
    v->hide();
    v->close();
    delete v;
    tabs_->ShowSelected(current_);
    emit workSheetsChanged();
}

void CListContainerWnd::CloseCurrentWorksheet() {
    CloseWorksheet(current_);
}

void CListContainerWnd::CloseWorksheet(int k) {
    if (k < 1 || k >= tabCount())
        return;
    if (k == current_)
        SwitchTab(k - 1);
    adjustDefaultForClosing(k);
    removeTab(k);
}

void CListContainerWnd::CloseAllWorksheets() {
    if (current_ > 0)
        SwitchTab(0);
    for (int k = tabCount() - 1; k >= 1; --k) {
        defaultWorksheet_ = 0;
        removeTab(k);
    }
    defaultWorksheet_ = 0;
    tabs_->SetDefaultMark(0);
}

void CListContainerWnd::SetDefaultWorksheet(int index) {
    if (index < 1 || index >= tabCount())
        return;
    defaultWorksheet_ = index;
    tabs_->SetDefaultMark(index);
    emit workSheetsChanged();
}

void CListContainerWnd::AddSelectionTo(int t) {
    CThumbnailCtrl* source = currentView();
    const int target = t == -1 ? defaultWorksheet_ : t;
    if (!source || target < 1 || target >= tabCount())
        return;
    std::vector<std::string> paths;
    source->list().CollectSelected(paths, true);
    if (paths.empty())
        return;
    auto request = std::make_unique<AddFilesRequest>();
    request->paths = std::move(paths);
    request->rescan = request->select = target == current_;
    views_[std::size_t(target)]->engine()->AddFiles(std::move(request));
}

void CListContainerWnd::AddFilesTo(int index, const QStringList& paths, bool select) {
    if (index < 1 || index >= tabCount() || paths.isEmpty())
        return;
    views_[std::size_t(index)]->engine()->AddFiles(addRequest(paths, index == current_, select));
}

void CListContainerWnd::ClearCurrentWorksheet() {
    CThumbnailCtrl* v = currentView();
    if (current_ < 1 || !v)
        return;
    v->ResetDisplay(true);
    v->LayoutScrollBars();
    v->DrawEmptyPlaceholder();
    v->UpdateCurrentItem();
    SetTabCount(current_, 0);
    v->ReportCount();
    sendTitleCount();
}

void CListContainerWnd::SortCurrent(int mode) {
    if (CThumbnailCtrl* v = currentView())
        v->SetSortMode(mode);
}

bool CListContainerWnd::SaveCurrentAsList(const QString& path) {
    CThumbnailCtrl* v = currentView();
    if (current_ < 1 || !v || path.isEmpty())
        return false;
    // One consistent snapshot of the list (taken under its lock); the file
    // is written outside the lock.
    std::vector<std::string> paths;
    v->list().CollectPaths(paths);
    return WriteWorkSheetList(path.toStdString(), tabs_->Name(current_).toStdString(), paths);
}

void CListContainerWnd::ReadList(const QString& path) {
    WorkSheetList list;
    switch (ReadWorkSheetList(path.toStdString(), list)) {
    case WorkSheetReadStatus::CannotOpen:
        return;
    case WorkSheetReadStatus::NotAWorkSheet:
        showMessage(QMessageBox::Warning, QString::fromUtf8(kNotAWorkSheet));
        return;
    case WorkSheetReadStatus::Ok:
        break;
    }
    const int index = CreateTab(kWorkSheetTab, QString::fromStdString(list.name));
    SwitchTab(index);
    const ResolvedEntries entries = ResolveWorkSheetEntries(list);
    if (!entries.existing.empty()) {
        auto request = std::make_unique<AddFilesRequest>();
        request->paths = entries.existing;
        request->rescan = true;
        request->select = false;
        views_[std::size_t(index)]->engine()->AddFiles(std::move(request));
    }
    if (entries.anyMissing)
        showMessage(QMessageBox::Information, QString::fromUtf8(kEntriesMissing));
}

void CListContainerWnd::SetTabCount(int index, int count) {
    if (index < 0 || index >= tabCount())
        return;
    tabs_->SetItemCount(index, count);
}

bool CListContainerWnd::workSheetEvent(QEvent* e) {
    if (auto* m = MessageCast<CountChangedMessage>(e)) {
        if (m->tabIndex >= 0 && m->count >= 0) {
            SetTabCount(m->tabIndex, m->count);
        } else {
            for (int i = 0; i < tabCount(); ++i)
                SetTabCount(i, views_[std::size_t(i)]->Count());
        }
        return true;
    }
    // Drops on the tab strip: only worksheet tabs take files.
    if (auto* m = MessageCast<DropCanEnterMessage>(e)) {
        m->result = false; // the drop target then accepts any file list
        return true;
    }
    if (auto* m = MessageCast<DropCanDropMessage>(e)) {
        const int over = tabs_->TabUnderDrag();
        m->result = over >= 1 && over < tabCount();
        tabs_->ShowSelected(m->result ? over : current_);
        return true;
    }
    if (MessageCast<DropLeaveMessage>(e)) {
        tabs_->ShowSelected(current_);
        return true;
    }
    if (auto* m = MessageCast<DropFilesMessage>(e)) {
        const int target = tabs_->currentIndex(); // the tab shown selected
        if (m->data && target >= 1 && target < tabCount()) {
            if (const auto files = readFileList(*m->data))
                AddFilesTo(target, files->paths, false);
        }
        tabs_->ShowSelected(current_);
        m->result = true;
        return true;
    }
    return false;
}

} // namespace lumora
