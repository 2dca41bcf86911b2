#include "controls/Divider.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>

namespace lumora {

int DividerGeometry::clampDrag(int wanted, int extent) const {
    int p = wanted;
    if (anchor == 0) {
        if (p <= minimum)
            p = minimum;
        else if (p + barWidth >= extent)
            p = extent - barWidth;
    } else {
        const int room = extent - barWidth - p;
        if (room <= minimum)
            p = extent - barWidth - minimum;
        else if (p <= 0)
            p = 0;
    }
    return p;
}

namespace {

// The bar itself: a thin child kept above both panes, so it owns the sizing
// cursor and the mouse without the panes inheriting either.
class DividerBar : public QWidget {
public:
    DividerBar(CDividerBase* owner, Qt::CursorShape shape) : QWidget(owner), owner_(owner) {
        setCursor(shape);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }
    bool edge = false;
    Qt::Orientation orientation = Qt::Vertical;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const QPalette& pal = palette();
        p.fillRect(rect(), pal.color(QPalette::Button));
        if (edge) {
            // Raised inner edge along the near side: light line, then shadow.
            if (orientation == Qt::Vertical) {
                p.setPen(pal.color(QPalette::Light));
                p.drawLine(0, 0, 0, height() - 1);
                if (width() > 2) {
                    p.setPen(pal.color(QPalette::Mid));
                    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
                }
            } else {
                p.setPen(pal.color(QPalette::Light));
                p.drawLine(0, 0, width() - 1, 0);
                if (height() > 2) {
                    p.setPen(pal.color(QPalette::Mid));
                    p.drawLine(0, height() - 1, width() - 1, height() - 1);
                }
            }
        }
    }
    void mousePressEvent(QMouseEvent* e) override { forward(e); }
    void mouseMoveEvent(QMouseEvent* e) override { forward(e); }
    void mouseReleaseEvent(QMouseEvent* e) override { forward(e); }

private:
    void forward(QMouseEvent* e) {
        const QPointF pos = mapToParent(e->position());
        QMouseEvent mapped(e->type(), pos, mapTo(window(), pos.toPoint()).toPointF(),
                           e->globalPosition(), e->button(), e->buttons(), e->modifiers());
        QCoreApplication::sendEvent(owner_, &mapped);
        e->setAccepted(mapped.isAccepted());
    }
    CDividerBase* owner_;
};

} // namespace

CDividerBase::CDividerBase(Qt::Orientation barOrientation, QWidget* parent, int id, int barWidth,
                           int initial, int fixedExtent, int minimum)
    : QWidget(parent), orientation_(barOrientation), id_(id) {
    setObjectName(QStringLiteral("Divider"));
    geo_.barWidth = barWidth;
    geo_.initial = initial;
    geo_.fixedExtent = fixedExtent;
    geo_.minimum = minimum;
    auto* bar = new DividerBar(this, barOrientation == Qt::Vertical ? Qt::SizeHorCursor
                                                                    : Qt::SizeVerCursor);
    bar->orientation = barOrientation;
    bar->setObjectName(QStringLiteral("DividerBar"));
    if (parent)
        setGeometry(parent->rect());
}

int CDividerBase::alongExtent() const {
    return horizontalAxis() ? width() : height();
}

QRect CDividerBase::spanRect(int from, int to) const {
    const int len = to > from ? to - from : 0;
    return horizontalAxis() ? QRect(from, 0, len, height()) : QRect(0, from, width(), len);
}

QRect CDividerBase::barRect() const {
    return spanRect(geo_.position, geo_.position + geo_.barWidth);
}

void CDividerBase::SetPane(int index, QWidget* window) {
    if (index < 0 || index > 1 || !window)
        return;
    if (window->parentWidget() != this)
        window->setParent(this);
    pane_[index] = window;
    ++attachCount_;
    if (shown_[index])
        window->show();
    if (auto* bar = findChild<QWidget*>(QStringLiteral("DividerBar"), Qt::FindDirectChildrenOnly))
        bar->raise();
}

void CDividerBase::placeAnchor0() {
    const int far = alongExtent();
    if (pane_[0])
        pane_[0]->setGeometry(spanRect(0, geo_.position));
    if (pane_[1])
        pane_[1]->setGeometry(spanRect(geo_.position + geo_.barWidth, far));
    if (auto* bar = findChild<QWidget*>(QStringLiteral("DividerBar"), Qt::FindDirectChildrenOnly)) {
        bar->setGeometry(barRect());
        static_cast<DividerBar*>(bar)->edge = edge_;
        bar->raise();
        bar->update();
    }
}

void CDividerBase::Layout() {
    if (!panesAttached())
        return;
    const int far = alongExtent();
    if (!laidOut_) {
        if (geo_.anchor == 1)
            geo_.position = far - geo_.initial - geo_.barWidth;
        else
            geo_.position = geo_.initial;
        laidOut_ = true;
    } else if (geo_.anchor == 1) {
        geo_.position = shown_[1] ? far - geo_.barWidth - geo_.fixedExtent : far;
    }
    // Both anchors end with the same placement: pane 0 before the bar, pane 1
    // from the bar's far side to the far edge.
    placeAnchor0();
}

void CDividerBase::ShowPane(int index, bool show) {
    if (index < 0 || index > 1 || shown_[index] == show)
        return;
    shown_[index] = show;
    if (pane_[index])
        pane_[index]->setVisible(show);
    Layout();
}

void CDividerBase::resizeEvent(QResizeEvent*) {
    if (panesAttached())
        Layout();
}

void CDividerBase::paintEvent(QPaintEvent*) {
    // Only the bar child paints; the panes cover the rest.
}

void CDividerBase::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton)
        return;
    dragging_ = true;
    dragStartPoint_ = along(e->position().toPoint());
    dragStartPosition_ = geo_.position;
    e->accept();
}

void CDividerBase::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_)
        return;
    const int far = alongExtent();
    const int before = geo_.position;
    geo_.position =
        geo_.clampDrag(dragStartPosition_ + along(e->position().toPoint()) - dragStartPoint_, far);
    // The kept extent of pane 1 follows the bar, so a later resize keeps
    // exactly the width the user dragged to.
    if (geo_.anchor == 1 && shown_[1])
        geo_.fixedExtent = far - geo_.barWidth - geo_.position;
    if (geo_.position != before)
        placeAnchor0();
    e->accept();
}

void CDividerBase::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton)
        dragging_ = false;
    e->accept();
}

} // namespace lumora
