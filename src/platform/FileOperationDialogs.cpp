#include "platform/FileOperationDialogs.h"

#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace lumora {

namespace {
const QString kCaption = QStringLiteral("Lumora");
constexpr int kSteps = 1000;
} // namespace

CFileOperationDialogs::~CFileOperationDialogs() = default;

bool CFileOperationDialogs::confirmDelete(const QStringList& paths, bool toTrash) {
    QString text;
    if (paths.size() == 1) {
        const QString name = QFileInfo(paths.front()).fileName();
        text = toTrash ? QStringLiteral("「%1」をごみ箱に移動しますか？").arg(name)
                       : QStringLiteral("「%1」を完全に削除しますか？").arg(name);
    } else {
        text =
            toTrash
                ? QStringLiteral("これらの %1 個の項目をごみ箱に移動しますか？").arg(paths.size())
                : QStringLiteral("これらの %1 個の項目を完全に削除しますか？").arg(paths.size());
    }
    return QMessageBox::question(owner_, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::Yes) == QMessageBox::Yes;
}

bool CFileOperationDialogs::confirmDeletePermanently(const QString& path) {
    const QString text = QStringLiteral("「%1」はごみ箱に移動できません。\n完全に削除しますか？")
                             .arg(QFileInfo(path).fileName());
    return QMessageBox::warning(owner_, kCaption, text, QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

ReplaceAnswer CFileOperationDialogs::askReplace(const QString& target, const QString& source) {
    const QFileInfo info(target);
    QString text;
    if (info.isDir() && !info.isSymLink())
        text = QStringLiteral("フォルダ「%1」は既に存在します。\nフォルダの内容を統合しますか？")
                   .arg(info.fileName());
    else
        text = QStringLiteral("「%1」は既に存在します。\n置き換えますか？\n\n元: %2")
                   .arg(info.fileName(), source);
    QWidget* parent = dialog_ ? static_cast<QWidget*>(dialog_.get()) : owner_.data();
    switch (QMessageBox::question(parent, kCaption, text,
                                  QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No |
                                      QMessageBox::Cancel,
                                  QMessageBox::No)) {
    case QMessageBox::Yes:
        return ReplaceAnswer::Yes;
    case QMessageBox::YesToAll:
        return ReplaceAnswer::YesToAll;
    case QMessageBox::No:
        return ReplaceAnswer::No;
    default:
        return ReplaceAnswer::Cancel;
    }
}

void CFileOperationDialogs::reportError(const QString& message) {
    QWidget* parent = dialog_ ? static_cast<QWidget*>(dialog_.get()) : owner_.data();
    QMessageBox::critical(parent, kCaption, message);
}

ErrorAnswer CFileOperationDialogs::askSkip(const QString& message) {
    QWidget* parent = dialog_ ? static_cast<QWidget*>(dialog_.get()) : owner_.data();
    QMessageBox box(QMessageBox::Warning, kCaption, message, QMessageBox::NoButton, parent);
    QPushButton* skip = box.addButton(QStringLiteral("スキップ(&S)"), QMessageBox::AcceptRole);
    QPushButton* skipAll =
        box.addButton(QStringLiteral("すべてスキップ(&A)"), QMessageBox::AcceptRole);
    QPushButton* stop = box.addButton(QStringLiteral("中止"), QMessageBox::RejectRole);
    box.setDefaultButton(stop);
    box.setEscapeButton(stop);
    box.exec();
    if (box.clickedButton() == skip)
        return ErrorAnswer::Skip;
    if (box.clickedButton() == skipAll)
        return ErrorAnswer::SkipAll;
    return ErrorAnswer::Cancel;
}

void CFileOperationDialogs::reportOutcome(const QString& message) {
    QWidget* parent = dialog_ ? static_cast<QWidget*>(dialog_.get()) : owner_.data();
    QMessageBox::information(parent, kCaption, message);
}

void CFileOperationDialogs::beginProgress(const QString& title, std::int64_t totalBytes) {
    total_ = totalBytes;
    dialog_ =
        std::make_unique<QProgressDialog>(title, QStringLiteral("キャンセル"), 0, kSteps, owner_);
    dialog_->setWindowTitle(kCaption);
    dialog_->setWindowModality(Qt::WindowModal);
    dialog_->setMinimumDuration(500);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    dialog_->setValue(0);
}

bool CFileOperationDialogs::progress(std::int64_t doneBytes, const QString& currentPath) {
    if (!dialog_)
        return true;
    const int step =
        total_ > 0 ? static_cast<int>(std::min<std::int64_t>(kSteps, doneBytes * kSteps / total_))
                   : 0;
    dialog_->setLabelText(QFileInfo(currentPath).fileName());
    dialog_->setValue(step); // processes events while the dialog is modal
    return !dialog_->wasCanceled();
}

void CFileOperationDialogs::endProgress() {
    dialog_.reset();
}

} // namespace lumora
