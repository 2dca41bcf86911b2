#include "viewer/InfoContainer.h"

#include "engine/ImageItemList.h"
#include "imaging/ImageItem.h"
#include "viewer/HistogramCtrl.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QTreeWidget>

#include <algorithm>

namespace lumora {

namespace {
QString U(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
// The label column grows to its longest label (indentation included) but
// leaves the data column at least kMinDataShare of the list's width, so at the
// panel's narrow default both columns stay on screen. What does not fit is
// elided with "…"; every cell carries its whole text as its tool tip.
constexpr int kLabelColumnWidth = 130;
constexpr double kMinDataShare = 0.45;

void fitColumns(QTreeWidget* tree) {
    tree->resizeColumnToContents(0);
    const int want = std::max(tree->columnWidth(0), kLabelColumnWidth);
    const int room = tree->viewport()->width();
    const int cap = static_cast<int>(room * (1.0 - kMinDataShare));
    const int label = room > 0 ? std::min(want, cap) : want;
    tree->setColumnWidth(0, label);
    tree->setColumnWidth(1, std::max(room - label, 0));
}

void setCell(QTreeWidgetItem* item, int column, const QString& text) {
    item->setText(column, text);
    item->setToolTip(column, text);
}

} // namespace

CInfoContainer::CInfoContainer(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("InfoContainer"));
    histogram_ = new CHistogramCtrl(this);
    histogram_->setProperty("controlId", kHistogramId);

    tree_ = new QTreeWidget(this);
    tree_->setObjectName(QStringLiteral("InfoTreeList"));
    tree_->setProperty("controlId", kTreeListId);
    tree_->setColumnCount(2);
    tree_->setHeaderLabels({QStringLiteral("項目"), QStringLiteral("データ")});
    tree_->setRootIsDecorated(true);
    // A narrow indentation leaves the labels more of the narrow panel.
    tree_->setIndentation(12);
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // fitColumns gives the data column the rest of the width (a stretched
    // last section would keep its default width and push past the edge).
    tree_->header()->setStretchLastSection(false);
    tree_->setTextElideMode(Qt::ElideRight);
    tree_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tree_->setColumnWidth(0, kLabelColumnWidth);

    QTreeWidgetItem* groups[kInfoGroupCount];
    for (int g = 0; g < kInfoGroupCount; ++g) {
        groups[g] = new QTreeWidgetItem(tree_);
        setCell(groups[g], 0, U(kInfoGroups[std::size_t(g)]));
    }
    for (int i = 0; i < kFixedRowCount; ++i) {
        const FixedRowLabel& row = kFixedRows[std::size_t(i)];
        auto* item = new QTreeWidgetItem(groups[row.group]);
        setCell(item, 0, U(row.label));
        setCell(item, 1, U(kAbsent));
        fixedRows_[std::size_t(i)] = item;
    }
    ratingRow_ = new QTreeWidgetItem(groups[0]);
    setCell(ratingRow_, 0, QStringLiteral("レーティング"));
    setCell(ratingRow_, 1, U(kAbsent));
    labelRow_ = new QTreeWidgetItem(groups[0]);
    setCell(labelRow_, 0, QStringLiteral("ラベル"));
    setCell(labelRow_, 1, U(kAbsent));
    makerNoteGroup_ = groups[kInfoGroupCount - 1];
    for (QTreeWidgetItem* g : groups)
        g->setExpanded(true);
    fitColumns(tree_);

    // Ctrl+C in the list is the list's own, ahead of the main window's
    // accelerator of the same key.
    tree_->installEventFilter(this);
    // The column split follows the list's visible width (a vertical scroll
    // bar appearing narrows it too).
    tree_->viewport()->installEventFilter(this);
    layoutChildren();
}

bool CInfoContainer::eventFilter(QObject* watched, QEvent* e) {
    if (watched == tree_->viewport() && e->type() == QEvent::Resize)
        fitColumns(tree_);
    if (watched == tree_ &&
        (e->type() == QEvent::ShortcutOverride || e->type() == QEvent::KeyPress)) {
        auto* key = static_cast<QKeyEvent*>(e);
        if (key->matches(QKeySequence::Copy)) {
            if (e->type() == QEvent::KeyPress) {
                if (QClipboard* cb = QGuiApplication::clipboard())
                    cb->setText(RowsAsText());
            }
            e->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

QString CInfoContainer::RowsAsText() const {
    QString out;
    for (int g = 0; g < tree_->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = tree_->topLevelItem(g);
        out += group->text(0) + QLatin1Char('\n');
        for (int r = 0; r < group->childCount(); ++r)
            out += group->child(r)->text(0) + QLatin1Char('\t') + group->child(r)->text(1) +
                   QLatin1Char('\n');
    }
    return out;
}

CInfoContainer::~CInfoContainer() = default;

ItemInfo& CInfoContainer::ClearInfo() {
    info_ = ItemInfo{};
    marks_ = Marks{};
    return info_;
}

void CInfoContainer::FillInfo(const ImageItem& item) {
    marks_ = item.marks;
    FillItemInfo(info_, item.fileName, item.fileStatus.size, item.imageInfo, item.shootingInfo,
                 item.makerNoteKind, item.makerNote ? item.makerNote.get() : nullptr);
}

void CInfoContainer::FillInfo(const ItemInfoRecord& record) {
    marks_ = record.marks;
    if (record.hasInfo) {
        FillItemInfo(info_, record.fileName, record.fileStatus.size, record.imageInfo,
                     record.shootingInfo, record.makerNoteKind, &record.makerNote);
    } else {
        FillItemInfo(info_, record.fileName, record.fileStatus.size, ImageInfo{}, ShootingInfo{},
                     kMakerNoteNone, nullptr);
    }
}

void CInfoContainer::ShowItem(const ItemInfoRecord& record) {
    ClearInfo();
    FillInfo(record);
    ShowInfo();
}

void CInfoContainer::ShowInfo() {
    const auto values = FixedRowValues(info_);
    for (int i = 0; i < kFixedRowCount; ++i)
        setCell(fixedRows_[std::size_t(i)], 1, U(values[std::size_t(i)]));
    setCell(ratingRow_, 1,
            marks_.reject        ? QStringLiteral("不採用")
            : marks_.rating == 0 ? U(kAbsent)
                                 : QString(marks_.rating, QChar(0x2605)));
    setCell(labelRow_, 1,
            marks_.label == ColorLabel::None ? U(kAbsent) : U(ColorLabelDisplayName(marks_.label)));

    tree_->setUpdatesEnabled(false);
    for (QTreeWidgetItem* row : makerNoteRows_)
        delete row; // takes itself out of the group
    makerNoteRows_.clear();
    const std::vector<InfoRow> rows = MakerNoteRows(info_);
    if (tree_->updatesEnabled() && !rows.empty())
        ++replacedWhileDrawing_;
    for (const InfoRow& row : rows) {
        auto* item = new QTreeWidgetItem(makerNoteGroup_);
        setCell(item, 0, U(row.label));
        setCell(item, 1, U(row.value));
        makerNoteRows_.push_back(item);
    }
    fitColumns(tree_);
    tree_->setUpdatesEnabled(true);
    tree_->viewport()->update();
}

void CInfoContainer::SetHistogramMode(int mode) {
    if (mode == 0)
        histogramHeight_ = 140;
    else if (mode == 1)
        histogramHeight_ = 300;
    layoutChildren();
    histogram_->SetHistogramMode(mode);
}

void CInfoContainer::SetHistogramSource(PreimageCopy&& preimage) {
    histogram_->SetPixels(std::move(preimage.pixels));
}

void CInfoContainer::ClearHistogram() {
    histogram_->ClearHistogram();
}

void CInfoContainer::layoutChildren() {
    const int w = width();
    histogram_->setGeometry(0, 0, w, histogramHeight_);
    const int top = histogramHeight_ + kBandHeight;
    tree_->setGeometry(0, top, w, std::max(height() - top, 0));
    update(0, histogramHeight_, w, kBandHeight);
}

void CInfoContainer::resizeEvent(QResizeEvent*) {
    layoutChildren();
}

void CInfoContainer::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(QRect(0, histogramHeight_, width(), kBandHeight), palette().color(QPalette::Button));
}

} // namespace lumora
