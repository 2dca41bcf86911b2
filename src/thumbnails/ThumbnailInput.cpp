// Mouse, keyboard, rubber band, context menu, drag out and drop in of the
// thumbnail view.
#include "thumbnails/ThumbnailCtrl.h"

#include "controls/PaneFocusMessage.h"
#include "platform/ClipboardFiles.h"
#include "thumbnails/CaptionText.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QDrag>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>

#include <algorithm>

namespace lumora {

// The item list's state bits seen through the selection rules.
class ListStates : public IItemStates {
public:
    explicit ListStates(ImageItemList& list) : list_(list), count_(list.Count()) {}
    int count() const override { return count_; }
    int state(int index) const override { return list_.GetState(index); }
    void setState(int index, int s) override { list_.SetState(index, s); }

private:
    ImageItemList& list_;
    int count_;
};

QPoint CThumbnailCtrl::toContent(const QPoint& p) const {
    return p + QPoint(0, topRow_.load() * style_.layout.rowPitch());
}

void CThumbnailCtrl::mousePressEvent(QMouseEvent* e) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pt = e->position().toPoint();
    const int p = HitTest(pt);
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const bool shift = e->modifiers() & Qt::ShiftModifier;

    if (e->button() == Qt::RightButton) {
        rightDownItem_ = p;
        if (p != -1) {
            ListStates states(list_);
            ChangedItems changed;
            cursor_.store(selection::rightButtonDown(states, cursor_.load(), p, &changed));
            DrawVisibleItems();
            UpdateCurrentItem();
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(e);
        return;
    }
    ListStates states(list_);
    ChangedItems changed;
    const int oldCursor = cursor_.load();
    const int newCursor = selection::leftButtonDown(states, oldCursor, p, ctrl, shift, &changed);
    if (p != -1) {
        // A Shift-click's range starts at the old cursor; Shift with the
        // keys goes on from there.
        anchor_ = shift && !ctrl ? std::clamp(oldCursor, 0, list_.Count() - 1) : p;
        extendedTo_ = p;
    }
    if (p == -1) {
        drawItems(changed);
        banding_ = true;
        bandStart_ = bandEnd_ = toContent(pt);
        bandShown_ = false;
        lastBand_ = QRect();
        viewport()->grabMouse();
    } else {
        DrawVisibleItems();
        cursor_.store(newCursor);
        dragArmed_ = true;
        UpdateCurrentItem();
    }
    sendSelCount();
    buttonDown_ = true;
    downPoint_ = pt;
    e->accept();
}

void CThumbnailCtrl::mouseMoveEvent(QMouseEvent* e) {
    const QPoint pt = e->position().toPoint();
    if (!buttonDown_ && !banding_) {
        // Tool tips follow the mouse over the cells.
        if (HitTest(pt) != HitTest(tooltipPoint_))
            QToolTip::hideText();
        tooltipPoint_ = pt;
        tooltipTimer_.start();
    }
    if (dragArmed_ && buttonDown_ && !dragging_ && pt != downPoint_) {
        dragging_ = true;
        startDrag();
        dragging_ = false;
        dragArmed_ = false;
    }
    if (banding_) {
        bandEnd_ = toContent(pt);
        updateBand(pt);
    }
    e->accept();
}

void CThumbnailCtrl::updateBand(const QPoint& windowPoint) {
    // Remove the band, select by it, draw it again at its new extent.
    const QRect band = QRect(bandStart_, bandEnd_).normalized();
    if (bandShown_)
        viewport()->update(lastBand_.translated(0, -topRow_.load() * style_.layout.rowPitch()));
    ListStates states(list_);
    ChangedItems changed;
    GridRect g{band.left(), band.top(), band.left() + band.width(), band.top() + band.height()};
    {
        int width = 0;
        {
            Lock lock(drawLock_);
            width = client_.width();
        }
        selection::selectByBand(states, style_.layout, width, g, &changed);
    }
    drawItems(changed);
    sendSelCount();
    lastBand_ = band;
    bandShown_ = true;
    viewport()->update(band.translated(0, -topRow_.load() * style_.layout.rowPitch()));
    startAutoScrollRule(windowPoint);
}

void CThumbnailCtrl::startAutoScrollRule(const QPoint& pt) {
    QScrollBar* bar = verticalScrollBar();
    const int h = viewport()->height();
    int direction = 0;
    int distance = 0;
    // The bar is not at its end: there is something below to bring in.
    if (pt.y() > h && bar->value() < bar->maximum()) {
        direction = 1;
        distance = pt.y() - h;
    } else if (pt.y() < 0 && bar->value() > 0) {
        direction = 2;
        distance = -pt.y();
    }
    autoScrollDirection_ = direction;
    if (direction == 0) {
        autoScrollTimer_.stop();
        return;
    }
    // The rate follows the distance, but a running tick is never postponed:
    // QTimer::setInterval would restart it, so a mouse that keeps moving
    // would stop the scrolling. The new rate applies from the next tick.
    autoScrollInterval_ = distance <= 50 ? 150 : 50;
    if (!autoScrollTimer_.isActive())
        autoScrollTimer_.start(autoScrollInterval_);
}

void CThumbnailCtrl::onAutoScroll() {
    if (!banding_)
        return;
    if (bandShown_) {
        bandShown_ = false;
        viewport()->update();
    }
    scrollLines(autoScrollDirection_ == 1 ? 1 : -1);
    const QPoint pt = viewport()->mapFromGlobal(QCursor::pos());
    bandEnd_ = toContent(pt);
    updateBand(pt);
}

void CThumbnailCtrl::stopBand() {
    autoScrollTimer_.stop();
    if (bandShown_)
        viewport()->update();
    bandShown_ = false;
    banding_ = false;
    viewport()->releaseMouse();
}

void CThumbnailCtrl::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu = buildContextMenu(rightDownItem_);
        if (QAction* chosen = menu->exec(e->globalPosition().toPoint())) {
            const int id = chosen->data().toInt();
            if (id == ID_THUMB_PREVIEW)
                OpenViewer();
            else if (id == ID_THUMB_PASTE)
                emit commandRequested(ID_EDIT_PASTE);
            else
                emit commandRequested(id);
        }
        e->accept();
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    dragArmed_ = false;
    buttonDown_ = false;
    if (banding_) {
        stopBand();
    } else if (!(e->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        ListStates states(list_);
        ChangedItems changed;
        selection::leftButtonUp(states, false, false, &changed);
        drawItems(changed);
        if (!changed.empty())
            sendSelCount();
    }
    autoScrollDirection_ = 0;
    e->accept();
}

void CThumbnailCtrl::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    const int p = HitTest(e->position().toPoint());
    if (p == -1)
        return;
    const int old = cursor_.load();
    cursor_.store(p);
    if (e->modifiers() & Qt::ShiftModifier)
        emit commandRequested(ID_THUMB_OPENFIRSTAPP);
    else
        OpenViewer();
    if (old != p) {
        DrawItem(old);
        DrawItem(p);
    }
    e->accept();
}

void CThumbnailCtrl::keyPressEvent(QKeyEvent* e) {
    using selection::NavKey;
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    NavKey key;
    switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        OpenViewer();
        return;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (!shift) {
            // The plain page keys scroll; the cursor stays.
            const int page = verticalScrollBar()->pageStep();
            scrollLines(e->key() == Qt::Key_PageUp ? -page : page);
            return;
        }
        key = e->key() == Qt::Key_PageUp ? NavKey::PageUp : NavKey::PageDown;
        break;
    case Qt::Key_Delete:
        emit commandRequested(ID_THUMB_DELETE);
        return;
    case Qt::Key_Home:
        key = ctrl ? NavKey::First : NavKey::Home;
        break;
    case Qt::Key_End:
        key = ctrl ? NavKey::Last : NavKey::End;
        break;
    case Qt::Key_Left:
        key = NavKey::Left;
        break;
    case Qt::Key_Right:
        key = NavKey::Right;
        break;
    case Qt::Key_Up:
        key = NavKey::Up;
        break;
    case Qt::Key_Down:
        key = NavKey::Down;
        break;
    default:
        QAbstractScrollArea::keyPressEvent(e);
        return;
    }
    e->accept();
    MoveCursor(key, shift);
}

void CThumbnailCtrl::MoveCursor(selection::NavKey key, bool extend) {
    const int n = list_.Count();
    const int c = cursor_.load();
    const int next =
        selection::navigate(key, c, n, ColumnCount(), std::max(1, verticalScrollBar()->pageStep()));
    cursor_.store(next);
    EnsureCursorVisible();
    if (n == 0 || next < 0)
        return; // no cursor, and the key found no item
    ListStates states(list_);
    ChangedItems changed;
    if (extend) {
        // The anchor holds while the cursor is where the last extension
        // left it; anything else that moved the cursor starts a new range.
        if (anchor_ < 0 || anchor_ >= n || c != extendedTo_)
            anchor_ = std::clamp(c, 0, n - 1);
        extendedTo_ = next;
        selection::selectRange(states, anchor_, next, &changed);
    } else if (next != c) {
        selection::moveCursorTo(states, next, &changed);
    }
    if (next == c && changed.empty())
        return;
    DrawVisibleItems();
    UpdateCurrentItem();
}

void CThumbnailCtrl::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    if (mainWindow_)
        PostNew<PaneFocusMessage>(mainWindow_.data(), PaneFocusMessage::ThumbnailView);
    focused_.store(true);
    {
        Lock lock(drawLock_);
        style_.focused = true;
    }
    DrawVisibleItems();
}

void CThumbnailCtrl::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    focused_.store(false);
    {
        Lock lock(drawLock_);
        style_.focused = false;
    }
    DrawVisibleItems();
}

bool CThumbnailCtrl::viewportEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::ToolTip:
        return true; // shown by our own 300 ms timer
    case QEvent::Leave:
        tooltipTimer_.stop();
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(e);
}

QString CThumbnailCtrl::tooltipTextAt(const QPoint& pt) const {
    const int p = HitTest(pt);
    if (p < 0)
        return QString();
    ImageItem item;
    if (!list_.CopyOut(p, item, CopyPixels::None))
        return QString();
    const QString name = QString::fromStdString(item.fileName);
    if (!item.shootingInfo.shutterSpeed)
        return name;
    return tooltipText(name, item.caption);
}

void CThumbnailCtrl::showTooltip() {
    if (!viewport()->underMouse() || buttonDown_)
        return;
    const QString text = tooltipTextAt(tooltipPoint_);
    if (text.isEmpty()) {
        QToolTip::hideText();
        return;
    }
    const int p = HitTest(tooltipPoint_);
    QRect cell;
    {
        Lock lock(drawLock_);
        cell = cellRectInWindow(p);
    }
    QToolTip::showText(viewport()->mapToGlobal(tooltipPoint_ + QPoint(12, 16)), text, viewport(),
                       cell);
}

// ---- context menu --------------------------------------------------------------

std::unique_ptr<QMenu> CThumbnailCtrl::buildContextMenu(int p) {
    auto menu = std::make_unique<QMenu>();
    menu->setObjectName(QStringLiteral("THUMB"));
    const bool onItem = p != -1;
    auto add = [&](QMenu* m, const QString& text, int id, bool enabled) {
        QAction* a = m->addAction(text);
        a->setData(id);
        a->setEnabled(enabled);
        return a;
    };
    add(menu.get(), QStringLiteral("プレビュー(&P)"), ID_THUMB_PREVIEW, onItem);
    menu->addSeparator();

    QMenu* sheets = menu->addMenu(QStringLiteral("ワークシートへ追加(&A)"));
    const QStringList names = worksheetNames_ ? worksheetNames_() : QStringList();
    if (names.isEmpty())
        add(sheets, QStringLiteral("（なし）"), 0, false);
    for (int i = 0; i < names.size() && i < 100; ++i)
        add(sheets, names[i], ID_ADD_TO_WORKSHEET_FIRST + i, onItem);

    QMenu* apps = menu->addMenu(QStringLiteral("登録済みアプリで開く(&O)"));
    const QStringList appPaths = applicationNames_ ? applicationNames_() : QStringList();
    if (appPaths.isEmpty())
        add(apps, QStringLiteral("（登録してください）"), 0, false);
    for (int i = 0; i < appPaths.size() && i < 100; ++i)
        add(apps, QFileInfo(appPaths[i]).fileName(), ID_OPEN_WITH_FIRST + i, onItem);
    menu->addSeparator();

    bool canPaste = false;
    if (const QClipboard* cb = QGuiApplication::clipboard())
        if (const QMimeData* data = cb->mimeData()) {
            const auto files = readFileList(*data);
            canPaste = files && files->dropEffect != DROPEFFECT_NONE;
        }
    add(menu.get(), QStringLiteral("切り取り(&T)"), ID_THUMB_CUT, onItem);
    add(menu.get(), QStringLiteral("コピー(&C)"), ID_THUMB_COPY, onItem);
    add(menu.get(), QStringLiteral("貼り付け(&P)"), ID_THUMB_PASTE, canPaste);
    menu->addSeparator();
    add(menu.get(), QStringLiteral("削除(&D)"), ID_THUMB_DELETE, onItem);
    menu->addSeparator();
    const bool manyInWorksheet = worksheetMode_ && list_.CountSelected() > 1;
    add(menu.get(), QStringLiteral("プロパティ(&R)..."), ID_THUMB_PROPERTIES,
        onItem && !manyInWorksheet);
    return menu;
}

// ---- drag out, drop in ---------------------------------------------------------

void CThumbnailCtrl::startDrag() {
    if (list_.Count() == 0)
        return;
    std::vector<std::string> paths;
    list_.CollectSelected(paths, true);
    if (paths.empty())
        return;
    QStringList files;
    for (const std::string& p : paths)
        files << QString::fromStdString(p);
    auto* drag = new QDrag(this);
    auto data = makeFileListMimeData(files, DROPEFFECT_COPY);
    drag->setMimeData(data.release());
    CFileDropTarget::SetDragSource(this);
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    CFileDropTarget::SetDragSource(nullptr);
    buttonDown_ = false;
}

void CThumbnailCtrl::dropFiles(const QMimeData* data) {
    if (!data)
        return;
    const auto files = readFileList(*data);
    if (!files || files->paths.isEmpty())
        return;
    auto request = std::make_unique<AddFilesRequest>();
    for (const QString& p : files->paths)
        request->paths.push_back(p.left(520).toStdString());
    request->rescan = true;
    request->select = true;
    sortState_ = 0;
    engine_->AddFiles(std::move(request));
}

} // namespace lumora
