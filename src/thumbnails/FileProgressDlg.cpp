#include "thumbnails/FileProgressDlg.h"

#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumora {

CFileProgressDlg::CFileProgressDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("FileProgressDlg"));
    setWindowTitle(QStringLiteral("ファイルの書き出し中"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    bar_ = new QProgressBar(this); // 1005
    bar_->setObjectName(QStringLiteral("ExportProgress"));
    bar_->setRange(0, 0);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setMinimumWidth(360);
    text_ = new QLabel(this); // 1006
    text_->setObjectName(QStringLiteral("ExportText"));
    cancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
    cancel_->setObjectName(QStringLiteral("ExportCancel"));
    layout->addWidget(bar_);
    layout->addWidget(text_);
    layout->addWidget(cancel_, 0, Qt::AlignRight);
    connect(cancel_, &QPushButton::clicked, this, [this] {
        cancel_->setEnabled(false);
        emit cancelRequested();
    });
}

void CFileProgressDlg::SetRange(int total) {
    bar_->setRange(0, total > 0 ? total : 1);
}

void CFileProgressDlg::SetPos(int position) {
    bar_->setValue(position);
}

void CFileProgressDlg::SetCopying(const QString& destinationPath) {
    text_->setText(QStringLiteral("%1 をコピー中...").arg(QFileInfo(destinationPath).fileName()));
}

void CFileProgressDlg::reject() {
    // The dialog closes when the copy reports its end, not before.
    if (cancel_->isEnabled()) {
        cancel_->setEnabled(false);
        emit cancelRequested();
    }
}

} // namespace lumora
