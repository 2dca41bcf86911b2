// The export dialog "ワークシート内ファイルの書き出し": the destination folder
// (typed or picked with the folder browser) and the method, 0 copies into
// the folder itself, 1 into a new sub-folder named after the worksheet. OK
// is enabled only while the folder text is not empty. The owner keeps the
// values between exports (setValues before exec, folder()/method() after).
// GUI thread only.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumora {

class CWorkSheetWriteDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWorkSheetWriteDlg(QWidget* parent = nullptr);

    void setValues(const QString& folder, int method);
    QString folder() const;
    int method() const;

    QLineEdit* folderEdit() const { return edit_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* browseButton() const { return browse_; }

private:
    void browse();
    void updateOk();

    QLineEdit* edit_;
    QPushButton* browse_;
    QRadioButton* method0_;
    QRadioButton* method1_;
    QPushButton* ok_;
};

} // namespace lumora
