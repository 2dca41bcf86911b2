#include "thumbnails/ThumbnailCtrl.h"

#include "imaging/CachedThumbnail.h"
#include "imaging/ThumbnailDecoder.h"
#include "thumbnails/FileDropTarget.h"
#include "thumbnails/ThumbnailFileOps.h"
#include "thumbnails/ThumbnailMessages.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QThread>
#include <QToolTip>

#include <algorithm>
#include <cstring>

namespace lumora {

static_assert(kCursorBit == kStateCursor && kSelectedBit == kStateSelected);

CThumbnailCtrl::CThumbnailCtrl(QWidget* parent, int worksheetMode, int id)
    : QAbstractScrollArea(parent), worksheetMode_(worksheetMode), id_(id) {
    setObjectName(QStringLiteral("ThumbnailCtrl"));
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    // The bar stays in place (disabled when everything fits), so the column
    // count never flips with its appearance.
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    verticalScrollBar()->setSingleStep(1);

    style_.apply(AppSettings{});
    autoScrollTimer_.setSingleShot(true);
    connect(&autoScrollTimer_, &QTimer::timeout, this, &CThumbnailCtrl::onAutoScroll);
    tooltipTimer_.setSingleShot(true);
    tooltipTimer_.setInterval(300);
    connect(&tooltipTimer_, &QTimer::timeout, this, &CThumbnailCtrl::showTooltip);

    dropTarget_ = new CFileDropTarget(viewport(), this);
    // The watch thread posts its messages to the view; it is joined before
    // the view goes away.
    watcher_ = std::make_unique<CFolderWatcher>(this);
    watcher_->SetReloadHandler([this] { reloadAfterFolderChange(); });
    engine_ = std::make_unique<CThumbnailEngine>(this, &list_);
    // Files without an embedded thumbnail go through the desktop's shared
    // thumbnail cache (read and written on the engine's threads only).
    engine_->SetThumbnailMaker(CachedThumbnailMaker(std::make_shared<CThumbnailCache>()));
    engine_->Start();
}

CThumbnailCtrl::~CThumbnailCtrl() {
    alive_.store(false);
    visible_.store(false);
    // Bounded even when a thread is stuck in a read (see ShutdownAndRelease).
    CThumbnailEngine::ShutdownAndRelease(std::move(engine_), 10000);
    watcher_->StopWatching(); // no load can start a new watch any more
    list_.Clear(true);
}

void CThumbnailCtrl::SetTabIndex(int index) {
    if (engine_)
        engine_->SetTabIndex(index);
}

void CThumbnailCtrl::SetMainWindow(QObject* mainWindow) {
    mainWindow_ = mainWindow;
    if (engine_)
        engine_->SetMainWindow(mainWindow);
}

void CThumbnailCtrl::ReportCount() {
    PostNew<CountChangedMessage>(container_.data(), list_.Count(),
                                 engine_ ? engine_->TabIndex() : -1);
}

void CThumbnailCtrl::SetMenuSources(std::function<QStringList()> worksheets,
                                    std::function<QStringList()> applications) {
    worksheetNames_ = std::move(worksheets);
    applicationNames_ = std::move(applications);
}

// ---- settings and loading --------------------------------------------------

void CThumbnailCtrl::ApplySettings(const AppSettings& s, bool redraw, bool reload) {
    {
        Lock lock(drawLock_);
        style_.apply(s);
        style_.focused = focused_.load();
        style_.devicePixelRatio = devicePixelRatioF();
        filter_.fileType = s.FileType;
        filter_.miscKind = s.MiscKind;
        filter_.rawKind = s.RawKind;
        filter_.pictureKind = s.PictureKind;
        filter_.minFileSize = KindFilter::minimumSize(s.SizeLimitter != 0, s.SizeLimitterSize);
        autoRotate_ = s.AutoRotate != 0;
    }
    watcher_->SetAutoUpdate(s.AutoUpdate != 0);
    LayoutScrollBars();
    if (reload) {
        Refresh();
    } else if (redraw) {
        DrawVisibleItems();
        PaintBackground();
    }
}

void CThumbnailCtrl::LoadFolder(const QString& path) {
    if (path.isEmpty()) {
        ResetDisplay(true);
        DrawEmptyPlaceholder();
        return;
    }
    busy_.store(true);
    sortState_ = 1;
    folder_ = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    if (!worksheetMode_)
        watcher_->SetFolder(folder_.toStdString());
    cursor_.store(-1);
    engine_->LoadFolder(folder_.toStdString());
}

void CThumbnailCtrl::SetSortMode(int mode) {
    sortState_ = mode;
    // The cursor index follows its item to its new place, as the item's
    // cursor and selected bits do: Enter, the arrow keys and the viewer go
    // on from the item that carries the frame.
    const int32_t cursorId = list_.IdAt(cursor_.load());
    list_.SetSortMode(static_cast<SortMode>(mode));
    list_.SortAll();
    if (cursorId >= 0)
        cursor_.store(list_.IndexOfId(cursorId));
    DrawVisibleItems();
}

KindFilter CThumbnailCtrl::Filter() {
    Lock lock(drawLock_);
    return filter_;
}

ThumbnailBox CThumbnailCtrl::Thumbnails() {
    Lock lock(drawLock_);
    ThumbnailBox p;
    p.longSide = style_.layout.longSide;
    p.shortSide = style_.layout.shortSide;
    p.autoRotate = autoRotate_;
    return p;
}

// ---- geometry ----------------------------------------------------------------

int CThumbnailCtrl::columnCountLocked() const {
    return style_.layout.columnCount(client_.width());
}
int CThumbnailCtrl::rowCountLocked(bool fullOnly) const {
    return style_.layout.rowCount(client_.height(), fullOnly);
}

int CThumbnailCtrl::ColumnCount() const {
    Lock lock(drawLock_);
    return columnCountLocked();
}

int CThumbnailCtrl::RowCount(bool fullOnly) const {
    Lock lock(drawLock_);
    return rowCountLocked(fullOnly);
}

void CThumbnailCtrl::VisibleRange(bool fullOnly, int& first, int& last) const {
    Lock lock(drawLock_);
    style_.layout.visibleRange(topRow_.load(), client_.width(), client_.height(), fullOnly, first,
                               last);
}

VisibleIndexRange CThumbnailCtrl::VisibleRange() {
    VisibleIndexRange r;
    VisibleRange(false, r.first, r.last);
    return r;
}

int CThumbnailCtrl::HitTest(const QPoint& p) const {
    const int count = list_.Count();
    Lock lock(drawLock_);
    return style_.layout.hitTest(p.x(), p.y(), topRow_.load(), client_.width(), count);
}

QRect CThumbnailCtrl::cellRectInWindow(int index) const {
    const ThumbnailLayout& l = style_.layout;
    const GridRect g = l.cellRectOfIndex(index, client_.width());
    return QRect(g.left, g.top - topRow_.load() * l.rowPitch(), g.width(), g.height());
}

// ---- drawing -----------------------------------------------------------------

void CThumbnailCtrl::runOnGui(std::function<void()> fn) {
    if (QThread::currentThread() == thread())
        fn();
    else
        QMetaObject::invokeMethod(this, std::move(fn), Qt::QueuedConnection);
}

void CThumbnailCtrl::markDirtyLocked(const QRect& r) {
    dirty_ += r;
    if (!updatePending_.exchange(true))
        QMetaObject::invokeMethod(this, &CThumbnailCtrl::flushDirty, Qt::QueuedConnection);
}

void CThumbnailCtrl::flushDirty() {
    QRegion r;
    {
        Lock lock(drawLock_);
        r = dirty_;
        dirty_ = QRegion();
        updatePending_.store(false);
    }
    if (!r.isEmpty())
        viewport()->update(r);
}

void CThumbnailCtrl::composeLocked(int index, bool& needsThumb) {
    needsThumb = false;
    if (canvas_.isNull() || index < 0)
        return;
    const QRect r = cellRectInWindow(index);
    if (!r.intersects(QRect(QPoint(0, 0), client_)))
        return;
    ImageItem item;
    if (!list_.CopyOut(index, item, CopyPixels::ThumbnailOnly))
        return;
    const QImage cell = composeCell(item, style_);
    QPainter p(&canvas_);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(r.topLeft(), cell);
    p.end();
    markDirtyLocked(r);
    needsThumb = !item.hasThumbnail();
}

void CThumbnailCtrl::DrawItem(int index) {
    if (!visible_.load())
        return;
    bool needs = false;
    {
        Lock lock(drawLock_);
        composeLocked(index, needs);
    }
    // Only the GUI thread asks for thumbnails; the worker draws a cell once
    // it has made its picture.
    if (QThread::currentThread() == thread()) {
        if (needs && engine_)
            engine_->NeedThumbnail(index);
        return;
    }
    // The engine draws a cell once it has scanned the item and made its
    // thumbnail, which brings the file's size and the pre-image: the panel
    // of the cursor item is shown again with them.
    if (index == cursor_.load() && !infoRefreshPending_.exchange(true))
        QMetaObject::invokeMethod(this, &CThumbnailCtrl::refreshCurrentInfo, Qt::QueuedConnection);
}

void CThumbnailCtrl::drawItems(const ChangedItems& indexes) {
    for (int i : indexes)
        DrawItem(i);
}

void CThumbnailCtrl::DrawVisibleItems() {
    if (!visible_.load())
        return;
    std::vector<int> wanted;
    {
        Lock lock(drawLock_);
        int first = 0, last = -1;
        style_.layout.visibleRange(topRow_.load(), client_.width(), client_.height(), false, first,
                                   last);
        const int count = list_.Count();
        // Items added to an empty view: the placeholder text goes first.
        if (placeholderShown_ && count > 0) {
            placeholderShown_ = false;
            paintBackgroundLocked();
        }
        for (int i = first; i <= last && i < count; ++i) {
            bool needs = false;
            composeLocked(i, needs);
            if (needs)
                wanted.push_back(i);
        }
    }
    if (QThread::currentThread() == thread() && engine_)
        for (int i : wanted)
            engine_->NeedThumbnail(i);
}

void CThumbnailCtrl::paintBackgroundLocked() {
    if (canvas_.isNull())
        return;
    const int count = list_.Count();
    QRegion region(QRect(QPoint(0, 0), client_));
    if (count > 0) {
        int first = 0, last = -1;
        style_.layout.visibleRange(topRow_.load(), client_.width(), client_.height(), false, first,
                                   last);
        for (int i = first; i <= last && i < count; ++i)
            region -= cellRectInWindow(i);
    }
    QPainter p(&canvas_);
    p.setClipRegion(region);
    p.fillRect(QRect(QPoint(0, 0), client_), style_.workspace);
    p.end();
    placeholderShown_ = false;
    markDirtyLocked(region.boundingRect());
}

void CThumbnailCtrl::PaintBackground() {
    Lock lock(drawLock_);
    paintBackgroundLocked();
}

void CThumbnailCtrl::placeholderLocked() {
    if (canvas_.isNull())
        return;
    QFont f = captionFont(QStringLiteral("Arial"), 25, 700);
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans"), QStringLiteral("sans-serif")});
    const QFontMetrics fm(f);
    const QString second = QStringLiteral("IMAGE OBJECTS");
    const int h = fm.height();
    const int w = client_.width();
    const int top = client_.height() / 2 - h / 2;
    QPainter p(&canvas_);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(f);
    p.setPen(colorFromRef(0xC8C8C8));
    p.drawText(QRect(0, top - 15, w, h), Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("NO"));
    p.drawText(QRect(0, top + 15, w, h), Qt::AlignHCenter | Qt::AlignTop, second);
    p.end();
    placeholderShown_ = true;
    markDirtyLocked(QRect(0, top - 15, w, h + 30));
}

void CThumbnailCtrl::DrawEmptyPlaceholder() {
    clearing_.store(false);
    if (list_.Count() != 0)
        return;
    Lock lock(drawLock_);
    paintBackgroundLocked();
    placeholderLocked();
}

void CThumbnailCtrl::rebuildCanvasLocked() {
    const qreal dpr = style_.devicePixelRatio > 0 ? style_.devicePixelRatio : 1.0;
    if (client_.isEmpty()) {
        canvas_ = QImage();
        return;
    }
    const QSize device(qCeil(client_.width() * dpr), qCeil(client_.height() * dpr));
    if (canvas_.size() != device || canvas_.devicePixelRatio() != dpr) {
        canvas_ = QImage(device, QImage::Format_ARGB32_Premultiplied);
        canvas_.setDevicePixelRatio(dpr);
    }
    canvas_.fill(style_.workspace);
    paintBackgroundLocked();
    const int count = list_.Count();
    if (count == 0 && !clearing_.load())
        placeholderLocked();
    markDirtyLocked(QRect(QPoint(0, 0), client_));
}

QImage CThumbnailCtrl::grabCanvas() const {
    Lock lock(drawLock_);
    return canvas_.copy();
}

void CThumbnailCtrl::paintEvent(QPaintEvent* e) {
    QPainter p(viewport());
    {
        Lock lock(drawLock_);
        if (canvas_.isNull()) {
            p.fillRect(e->rect(), style_.workspace);
        } else {
            const qreal dpr = canvas_.devicePixelRatio();
            for (const QRect& r : e->region()) {
                const QRectF src(r.x() * dpr, r.y() * dpr, r.width() * dpr, r.height() * dpr);
                p.drawImage(QRectF(r), canvas_, src);
            }
        }
    }
    if (bandShown_) {
        // The band looks like an inverted dotted frame over whatever is below.
        const QRect band = lastBand_.translated(0, -topRow_.load() * style_.layout.rowPitch());
        p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        QPen pen(Qt::white, 1, Qt::DotLine);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.drawRect(band.adjusted(0, 0, -1, -1));
    }
}

void CThumbnailCtrl::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    {
        Lock lock(drawLock_);
        client_ = viewport()->size();
        style_.devicePixelRatio = devicePixelRatioF();
        rebuildCanvasLocked();
    }
    LayoutScrollBars();
    DrawVisibleItems();
}

void CThumbnailCtrl::showEvent(QShowEvent* e) {
    QAbstractScrollArea::showEvent(e);
    visible_.store(true);
    {
        Lock lock(drawLock_);
        client_ = viewport()->size();
        style_.devicePixelRatio = devicePixelRatioF();
        rebuildCanvasLocked();
    }
    DrawVisibleItems();
    if (refreshWhenShown_) {
        refreshWhenShown_ = false;
        Refresh();
    }
}

void CThumbnailCtrl::hideEvent(QHideEvent* e) {
    visible_.store(false);
    QAbstractScrollArea::hideEvent(e);
}

// ---- scrolling ---------------------------------------------------------------

void CThumbnailCtrl::LayoutScrollBars() {
    const int count = list_.Count();
    if (count == 0)
        return;
    int total = 0, page = 1, position = 0;
    {
        Lock lock(drawLock_);
        total = style_.layout.totalRows(count, client_.width());
        const int full = rowCountLocked(true);
        page = full + 1;
        position = full < total ? topRow_.load() : 0;
    }
    runOnGui([this, total, page, position] { applyScrollBar(total, page, position, false); });
}

void CThumbnailCtrl::applyScrollBar(int totalRows, int page, int position, bool reset) {
    QScrollBar* bar = verticalScrollBar();
    // Range 0..totalRows with a page of `page` rows: the bar's largest
    // position shows the last row at the bottom.
    const int maximum = std::max(0, totalRows - page + 1);
    bar->setPageStep(std::max(1, page));
    bar->setRange(0, maximum);
    bar->setValue(std::min(position, maximum));
    bar->setEnabled(!reset && maximum > 0);
}

void CThumbnailCtrl::ResetDisplay(bool deleteItems) {
    clearing_.store(true);
    list_.Clear(deleteItems);
    topRow_.store(0);
    cursor_.store(-1);
    int page = 1;
    {
        Lock lock(drawLock_);
        page = rowCountLocked(true) + 1;
        paintBackgroundLocked();
    }
    runOnGui([this, page] {
        sendMainNew<ListClearedMessage>();
        QScrollBar* bar = verticalScrollBar();
        const QSignalBlocker block(bar);
        applyScrollBar(0, page, 0, true);
        topRow_.store(0);
    });
}

void CThumbnailCtrl::scrollContentsBy(int, int) {
    const int now = verticalScrollBar()->value();
    const int old = topRow_.load();
    if (now == old)
        return;
    QToolTip::hideText();
    tooltipTimer_.stop();
    topRow_.store(now);
    ScrollContent(old - now);
}

void CThumbnailCtrl::ScrollContent(int rows) {
    std::vector<int> wanted;
    int first = 0, last = -1, n = 0;
    {
        Lock lock(drawLock_);
        const ThumbnailLayout& l = style_.layout;
        l.visibleRange(topRow_.load(), client_.width(), client_.height(), false, first, last);
        n = columnCountLocked() * rowCountLocked(false);
        if (!canvas_.isNull()) {
            const qreal dpr = canvas_.devicePixelRatio();
            const long long dyLogical = static_cast<long long>(rows) * l.rowPitch();
            const int height = canvas_.height();
            const long long dyDevice = qRound64(dyLogical * dpr);
            const int count = list_.Count();
            QRect exposed;
            if (dyDevice == 0)
                return;
            if (std::llabs(dyDevice) >= height) {
                exposed = QRect(QPoint(0, 0), client_);
            } else {
                // Move the rows of the canvas in place; content moves down for
                // positive rows.
                const qsizetype bpl = canvas_.bytesPerLine();
                uchar* bits = canvas_.bits();
                const int shift = static_cast<int>(std::llabs(dyDevice));
                const std::size_t bytes = static_cast<std::size_t>(height - shift) * bpl;
                if (dyDevice > 0) {
                    std::memmove(bits + shift * bpl, bits, bytes);
                    exposed = QRect(0, 0, client_.width(), qCeil(dyLogical) + 1);
                } else {
                    std::memmove(bits, bits + shift * bpl, bytes);
                    const int h = static_cast<int>(-dyLogical) + 1;
                    exposed = QRect(0, client_.height() - h, client_.width(), h);
                }
            }
            paintBackgroundLocked();
            for (int i = first; i <= last && i < count; ++i) {
                if (!cellRectInWindow(i).intersects(exposed))
                    continue;
                bool needs = false;
                composeLocked(i, needs);
                if (needs)
                    wanted.push_back(i);
            }
            markDirtyLocked(QRect(QPoint(0, 0), client_));
        }
    }
    // Thumbnails more than a screen away are freed; they are made again
    // when they come back into view.
    list_.ReleaseOutside(first - n, last + n, false);
    if (engine_)
        for (int i : wanted)
            engine_->NeedThumbnail(i);
}

void CThumbnailCtrl::ScrollToCursor() {
    runOnGui([this] {
        const int c = cursor_.load();
        if (c < 0)
            return;
        const int row = c / ColumnCount();
        QScrollBar* bar = verticalScrollBar();
        {
            const QSignalBlocker block(bar);
            bar->setValue(row);
        }
        // The content is redrawn, not scrolled.
        topRow_.store(bar->value());
        {
            Lock lock(drawLock_);
            rebuildCanvasLocked();
        }
        DrawVisibleItems();
        PaintBackground();
    });
}

void CThumbnailCtrl::EnsureCursorVisible() {
    const int c = cursor_.load();
    if (c < 0)
        return;
    int first = 0, last = -1;
    VisibleRange(true, first, last);
    const int cols = ColumnCount();
    const int row = c / cols;
    int target = -1;
    if (c < first) {
        target = row;
    } else if (c > last) {
        target = first == last ? row : row - RowCount(true) + 1;
    }
    if (target < 0)
        return;
    verticalScrollBar()->setValue(target); // scrolls the content through scrollContentsBy
    topRow_.store(verticalScrollBar()->value());
}

void CThumbnailCtrl::scrollLines(int lines) {
    QToolTip::hideText();
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->value() + lines);
}

void CThumbnailCtrl::wheelEvent(QWheelEvent* e) {
    // One row per wheel notch (120 units); fine-grained wheels add up.
    wheelRemainder_ += e->angleDelta().y();
    int lines = 0;
    while (wheelRemainder_ >= 120) {
        wheelRemainder_ -= 120;
        --lines;
    }
    while (wheelRemainder_ <= -120) {
        wheelRemainder_ += 120;
        ++lines;
    }
    if (lines != 0)
        scrollLines(lines);
    e->accept();
}

// ---- messages ----------------------------------------------------------------

template <typename M, typename... Args> void CThumbnailCtrl::sendMainNew(Args&&... args) {
    if (!mainWindow_)
        return;
    M m(std::forward<Args>(args)...);
    Send(mainWindow_.data(), m);
}

void CThumbnailCtrl::sendSelCount() {
    sendMainNew<SelCountMessage>(list_.CountSelected());
}

void CThumbnailCtrl::PrepareWatching() {
    if (worksheetMode_ || !alive_.load())
        return;
    watcher_->PrepareWatching();
}

void CThumbnailCtrl::StartWatching() {
    if (worksheetMode_ || !alive_.load())
        return;
    watcher_->StartWatching();
}

void CThumbnailCtrl::reloadAfterFolderChange() {
    // A view that is not on show reloads when it is shown again.
    if (isVisible())
        Refresh();
    else
        refreshWhenShown_ = true;
}

bool CThumbnailCtrl::event(QEvent* e) {
    // The folder watch's messages: a reload one second later, or a new watch.
    if (watcher_->HandleMessage(e))
        return true;
    if (auto* m = MessageCast<SetCursorMessage>(e)) {
        if (m->index != -1)
            moveCursorBit(m->index);
        UpdateCurrentItem();
    } else if (MessageCast<NoCursorMessage>(e)) {
        cursor_.store(-1);
        UpdateCurrentItem();
    } else if (MessageCast<OpenCurrentMessage>(e)) {
        OpenViewer();
    } else if (auto* m = MessageCast<DeleteItemsMessage>(e)) {
        m->result = DeleteItems(*this, qobject_cast<QWidget*>(m->owner),
                                QString::fromStdString(m->path)) != 0;
    } else if (auto* m = MessageCast<GetCountMessage>(e)) {
        m->result = list_.Count();
    } else if (auto* m = MessageCast<DropCanEnterMessage>(e)) {
        m->result = worksheetMode_;
    } else if (auto* m = MessageCast<DropCanDropMessage>(e)) {
        m->result = worksheetMode_;
    } else if (MessageCast<DropLeaveMessage>(e)) {
        // nothing to undo: the view draws no drop feedback
    } else if (auto* m = MessageCast<DropFilesMessage>(e)) {
        dropFiles(m->data);
        m->result = true;
    } else {
        return QAbstractScrollArea::event(e);
    }
    return true;
}

void CThumbnailCtrl::moveCursorBit(int index) {
    const int old = cursor_.load();
    if (old >= 0 && old != index) {
        list_.ClearStateBits(old, kStateCursor);
        DrawItem(old);
    }
    cursor_.store(index);
    list_.SetStateBits(index, kStateCursor);
    DrawItem(index);
}

// ---- operations --------------------------------------------------------------

void CThumbnailCtrl::UpdateCurrentItem() {
    const int n = list_.Count();
    int c = cursor_.load();
    if (c <= 0 && n > 0) {
        c = 0;
        cursor_.store(0);
        list_.SetStateBits(0, kStateCursor);
        DrawItem(0);
    }
    // An item the engine has not reached yet is scanned here, before the
    // panel copies its information.
    std::unique_ptr<ThumbItemRecord> record;
    if (c >= 0 && c < n) {
        record = std::make_unique<ThumbItemRecord>();
        if (list_.CopyOutWithCount(c, record->item, record->count)) {
            record->index = c;
            lastCurrentPath_ = record->item.path;
            if (!record->item.hasThumbnail())
                list_.ScanInfoById(record->item);
        } else {
            record.reset();
        }
    }
    showCurrentInfo(c);
    sendSelCount();
    if (record)
        sendMainNew<CurrentItemMessage>(std::move(record));
}

void CThumbnailCtrl::showCurrentInfo(int c) {
    if (container_) {
        auto pre = std::make_unique<PreimageCopy>();
        if (c >= 0 && list_.CopyPreimage(c, *pre)) {
            PreimageMessage m(std::move(pre));
            Send(container_.data(), m);
        } else {
            NoPreimageMessage m;
            Send(container_.data(), m);
        }
    }
    if (c >= 0) {
        auto info = std::make_shared<ItemInfoRecord>();
        if (list_.CopyInfo(c, *info))
            emit infoRecordChanged(info);
    }
}

void CThumbnailCtrl::refreshCurrentInfo() {
    infoRefreshPending_.store(false);
    const int c = cursor_.load();
    if (c >= 0 && c < list_.Count() && isVisible())
        showCurrentInfo(c);
}

void CThumbnailCtrl::OpenViewer() {
    const int c = cursor_.load();
    if (c < 0 || c >= list_.Count())
        return;
    auto record = std::make_unique<ThumbItemRecord>();
    if (!list_.CopyOutWithCount(c, record->item, record->count))
        return;
    record->index = c;
    lastCurrentPath_ = record->item.path;
    if (!record->item.hasThumbnail())
        list_.ScanInfoById(record->item);
    if (container_) {
        OpenViewerMessage m(std::move(record));
        Send(container_.data(), m);
    }
}

void CThumbnailCtrl::Refresh() {
    cursor_.store(-1);
    UpdateCurrentItem();
    if (!worksheetMode_) {
        LoadFolder(folder_);
    } else {
        cursor_.store(-1);
        busy_.store(true);
        engine_->VerifyWorksheet();
        LayoutScrollBars();
        DrawVisibleItems();
        PaintBackground();
        if (list_.Count() == 0)
            DrawEmptyPlaceholder();
    }
    if (!lastCurrentPath_.empty() && !list_.ContainsPath(lastCurrentPath_))
        sendMainNew<ListClearedMessage>();
}

void CThumbnailCtrl::NextItem() {
    const int n = list_.Count();
    if (n == 0)
        return;
    int c = cursor_.load();
    if (c >= 0) {
        list_.ClearStateBits(c, kStateCursor | kStateSelected);
        DrawItem(c);
    }
    c = c + 1 >= n ? 0 : c + 1;
    GoToItem(c);
}

void CThumbnailCtrl::PreviousItem() {
    const int n = list_.Count();
    if (n == 0)
        return;
    int c = cursor_.load();
    if (c >= 0) {
        list_.ClearStateBits(c, kStateCursor | kStateSelected);
        DrawItem(c);
    }
    c = c - 1 < 0 ? n - 1 : c - 1;
    GoToItem(c);
}

void CThumbnailCtrl::GoToItem(int index) {
    const int n = list_.Count();
    if (index < 0 || index >= n)
        return;
    const int old = cursor_.load();
    if (old >= 0 && old < n) {
        list_.ClearStateBits(old, kStateCursor | kStateSelected);
        DrawItem(old);
    }
    cursor_.store(index);
    list_.SetState(index, kStateCursor | kStateSelected);
    DrawItem(index);
    EnsureCursorVisible();
    UpdateCurrentItem();
    OpenViewer();
}

int CThumbnailCtrl::SelectAll() {
    const int count = list_.SelectAll();
    DrawVisibleItems();
    sendMainNew<SelCountMessage>(count);
    return count;
}

int CThumbnailCtrl::InvertSelection() {
    const int count = list_.InvertSelection();
    DrawVisibleItems();
    sendMainNew<SelCountMessage>(count);
    return count;
}

} // namespace lumora
