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

namespace lumora {

namespace {
QString U(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
// The label column keeps at least its first width and grows to its longest
// label (indentation included), so no row name is cut off.
void fitLabelColumn(QTreeWidget* tree) {
    constexpr int kLabelColumnWidth = 130;
    tree->resizeColumnToContents(0);
    if (tree->columnWidth(0) < kLabelColumnWidth)
        tree->setColumnWidth(0, kLabelColumnWidth);
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
    tree_->setUniformRowHeights(true);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree_->header()->setStretchLastSection(true);
    tree_->setColumnWidth(0, 130);

    QTreeWidgetItem* groups[kInfoGroupCount];
    for (int g = 0; g < kInfoGroupCount; ++g) {
        groups[g] = new QTreeWidgetItem(tree_, QStringList{U(kInfoGroups[std::size_t(g)])});
    }
    for (int i = 0; i < kFixedRowCount; ++i) {
        const FixedRowLabel& row = kFixedRows[std::size_t(i)];
        fixedRows_[std::size_t(i)] =
            new QTreeWidgetItem(groups[row.group], QStringList{U(row.label), U(kAbsent)});
    }
    makerNoteGroup_ = groups[kInfoGroupCount - 1];
    for (QTreeWidgetItem* g : groups)
        g->setExpanded(true);
    fitLabelColumn(tree_);

    // Ctrl+C in the list is the list's own, ahead of the main window's
    // accelerator of the same key.
    tree_->installEventFilter(this);
    layoutChildren();
}

bool CInfoContainer::eventFilter(QObject* watched, QEvent* e) {
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
    return info_;
}

void CInfoContainer::FillInfo(const ImageItem& item) {
    FillItemInfo(info_, item.fileName, item.fileStatus.size, item.imageInfo, item.shootingInfo,
                 item.makerNoteKind, item.makerNote ? item.makerNote.get() : nullptr);
}

void CInfoContainer::FillInfo(const ItemInfoRecord& record) {
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
        fixedRows_[std::size_t(i)]->setText(1, U(values[std::size_t(i)]));

    tree_->setUpdatesEnabled(false);
    for (QTreeWidgetItem* row : makerNoteRows_)
        delete row; // takes itself out of the group
    makerNoteRows_.clear();
    const std::vector<InfoRow> rows = MakerNoteRows(info_);
    if (tree_->updatesEnabled() && !rows.empty())
        ++replacedWhileDrawing_;
    for (const InfoRow& row : rows) {
        auto* item = new QTreeWidgetItem(makerNoteGroup_, QStringList{U(row.label), U(row.value)});
        makerNoteRows_.push_back(item);
    }
    fitLabelColumn(tree_);
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
