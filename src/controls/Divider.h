// Splitter bars with two panes. CDivider has a vertical bar with its panes side
// by side; CHorzDivider has a horizontal bar with its panes stacked. Both share
// CDividerBase, which works on one axis ("along") and reads x/left/right/width
// as y/top/bottom/height for the stacked kind.
#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

namespace lumora {

// The pure arithmetic of a splitter on one axis: near edge 0, far edge = extent.
struct DividerGeometry {
    int barWidth = 3;
    int position = 0;
    int anchor = 0;
    int initial = 0;
    int fixedExtent = 0;
    int minimum = 0;

    // Clamp a dragged position. anchor 0: not above the minimum becomes the
    // minimum, a bar reaching the far edge stops at it. anchor 1: pane 1 never
    // narrower than the minimum; pane 0 may shrink to nothing.
    int clampDrag(int wanted, int extent) const;
    // Extents of the two panes for a given position (anchor-0 rule).
    int pane0Extent() const { return position < 0 ? 0 : position; }
    int pane1Start() const { return position + barWidth; }
};

class CDividerBase : public QWidget {
    Q_OBJECT
public:
    // Create(parent, id, barWidth, initial, fixedExtent, minimum)
    CDividerBase(Qt::Orientation barOrientation, QWidget* parent, int id, int barWidth, int initial,
                 int fixedExtent, int minimum);

    // Attaches a pane window; it becomes a child of the divider so that its
    // rectangle is in the divider's coordinates.
    void SetPane(int index, QWidget* window);
    void SetAnchor(int anchor) { geo_.anchor = anchor; }
    void SetEdge() { edge_ = true; }
    void Layout();
    void ShowPane(int index, bool show);
    int GetPosition() const { return geo_.position; }
    int GetFixedExtent() const { return geo_.fixedExtent; }

    int id() const { return id_; }
    bool isPaneShown(int index) const { return index >= 0 && index < 2 && shown_[index]; }
    QWidget* pane(int index) const { return index >= 0 && index < 2 ? pane_[index] : nullptr; }
    const DividerGeometry& geometryState() const { return geo_; }
    bool laidOut() const { return laidOut_; }
    bool isDragging() const { return dragging_; }
    QRect barRect() const;

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    bool horizontalAxis() const { return orientation_ == Qt::Vertical; }
    int alongExtent() const;
    int along(const QPoint& p) const { return horizontalAxis() ? p.x() : p.y(); }
    QRect spanRect(int from, int to) const; // [from, to) along, full across
    void placeAnchor0();
    bool panesAttached() const { return attachCount_ >= 2 && pane_[0] && pane_[1]; }

    Qt::Orientation orientation_; // orientation of the bar itself
    int id_;
    QPointer<QWidget> pane_[2];
    bool shown_[2] = {true, true};
    int attachCount_ = 0;
    DividerGeometry geo_;
    bool laidOut_ = false;
    bool edge_ = false;
    bool dragging_ = false;
    int dragStartPoint_ = 0;
    int dragStartPosition_ = 0;
};

// Vertical bar, panes side by side.
class CDivider : public CDividerBase {
    Q_OBJECT
public:
    CDivider(QWidget* parent, int id, int barWidth, int initial, int fixedExtent, int minimum)
        : CDividerBase(Qt::Vertical, parent, id, barWidth, initial, fixedExtent, minimum) {}
};

// Horizontal bar, panes stacked.
class CHorzDivider : public CDividerBase {
    Q_OBJECT
public:
    CHorzDivider(QWidget* parent, int id, int barWidth, int initial, int fixedExtent, int minimum)
        : CDividerBase(Qt::Horizontal, parent, id, barWidth, initial, fixedExtent, minimum) {}
};

} // namespace lumora
