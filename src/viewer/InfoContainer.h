// CInfoContainer: the information panel beside the thumbnail view. The
// selected image's histogram on top (CHistogramCtrl, 140 or 300 pixels high
// by histogram mode), a 3-pixel band, and a two-column tree list of the
// file, EXIF and maker-note rows of the image below it.
//
// Owner: CListContainerWnd's splitter (its parent). Threads: user-interface
// thread only. The panel keeps its own deep copy of the image's information
// block, so the thumbnail engine may go on changing the item.
#pragma once

#include "marks/Marks.h"
#include "metadata/InfoRows.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace lumora {

class CHistogramCtrl;
class DibImage;
struct ImageItem;
struct ItemInfoRecord;
struct PreimageCopy;

class CInfoContainer : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHistogramId = 2100;
    static constexpr int kTreeListId = 2101;
    static constexpr int kBandHeight = 3;

    explicit CInfoContainer(QWidget* parent = nullptr);
    ~CInfoContainer() override;

    // Empties the copied block and returns it for refilling.
    ItemInfo& ClearInfo();
    // Copies an item's block: everything when it has a make or a model,
    // else only its name and size.
    void FillInfo(const ImageItem& item);
    void FillInfo(const ItemInfoRecord& record);
    // Rewrites the rows from the copied block.
    void ShowInfo();
    // ClearInfo, FillInfo and ShowInfo in one step.
    void ShowItem(const ItemInfoRecord& record);

    // 0 brightness (140 pixels high), 1 RGB (300); other values keep the height.
    void SetHistogramMode(int mode);
    void SetHistogramSource(PreimageCopy&& preimage);
    void ClearHistogram();

    int histogramHeight() const { return histogramHeight_; }
    const ItemInfo& info() const { return info_; }
    CHistogramCtrl* histogram() const { return histogram_; }
    QTreeWidget* treeList() const { return tree_; }
    QTreeWidgetItem* fixedRow(int index) const { return fixedRows_[std::size_t(index)]; }
    // The rating and label rows, at the end of the first group.
    QTreeWidgetItem* ratingRow() const { return ratingRow_; }
    QTreeWidgetItem* labelRow() const { return labelRow_; }
    // The marks the two rows show (FillInfo takes them from the item).
    void SetMarks(const Marks& marks) { marks_ = marks; }
    QTreeWidgetItem* makerNoteGroup() const { return makerNoteGroup_; }
    const std::vector<QTreeWidgetItem*>& makerNoteRows() const { return makerNoteRows_; }
    // Times the rows were replaced while the tree list's redrawing was on
    // (stays 0: rows are only ever replaced with redrawing off).
    int rowsReplacedWhileDrawing() const { return replacedWhileDrawing_; }
    // Every row as "item<TAB>data" lines, groups as lines of their own; what
    // Ctrl+C in the list puts on the clipboard.
    QString RowsAsText() const;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void resizeEvent(QResizeEvent*) override;
    void paintEvent(QPaintEvent*) override;

private:
    void layoutChildren();

    int histogramHeight_ = 100;
    CHistogramCtrl* histogram_ = nullptr;
    QTreeWidget* tree_ = nullptr;
    std::array<QTreeWidgetItem*, kFixedRowCount> fixedRows_{};
    QTreeWidgetItem* makerNoteGroup_ = nullptr;
    std::vector<QTreeWidgetItem*> makerNoteRows_;
    ItemInfo info_;
    Marks marks_;
    QTreeWidgetItem* ratingRow_ = nullptr;
    QTreeWidgetItem* labelRow_ = nullptr;
    int replacedWhileDrawing_ = 0;
};

} // namespace lumora
