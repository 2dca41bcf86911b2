// The modeless progress dialog of an export, "ファイルの書き出し中": a progress
// bar, the line "<name> をコピー中...", and "キャンセル", which asks the copy
// to stop after the current file (cancelRequested). GUI thread only.
#pragma once

#include <QDialog>

class QLabel;
class QProgressBar;
class QPushButton;

namespace lumora {

class CFileProgressDlg : public QDialog {
    Q_OBJECT
public:
    explicit CFileProgressDlg(QWidget* parent = nullptr);

    void SetRange(int total);
    void SetPos(int position);
    // Shows "<last element of path> をコピー中...".
    void SetCopying(const QString& destinationPath);

    QProgressBar* progressBar() const { return bar_; }
    QLabel* textLine() const { return text_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void cancelRequested();

protected:
    void reject() override; // Escape and the window's close button cancel

private:
    QProgressBar* bar_;
    QLabel* text_;
    QPushButton* cancel_;
};

} // namespace lumora
