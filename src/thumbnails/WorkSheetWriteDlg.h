// The export dialog "ワークシート内ファイルの書き出し": the destination folder
// (typed or picked with the folder browser) and the method, 0 copies into
// the folder itself, 1 into a new sub-folder named after the worksheet. OK
// is enabled only while the folder text is not empty. The owner keeps the
// values between exports (setValues before exec, folder()/method() after).
// The folder text is read the way the address box reads it ("~" is the home
// folder); OK with a relative path explains that an absolute one is needed
// and keeps the dialog open. GUI thread only.
#pragma once

#include <QDialog>

#include <functional>
#include <optional>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumora {

class CWorkSheetWriteDlg : public QDialog {
    Q_OBJECT
public:
    explicit CWorkSheetWriteDlg(QWidget* parent = nullptr);

    void setValues(const QString& folder, int method);
    // The folder as typed (after OK: as resolved by ResolveFolder).
    QString folder() const;
    int method() const;

    // The absolute folder a typed text names ("~" and "~/..." under `home`,
    // a local file: URL as its path), or nothing when the text is relative.
    static std::optional<QString> ResolveFolder(const QString& text, const QString& home);
    // The message for a text that ResolveFolder refuses.
    static QString RelativeFolderMessage(const QString& text);

    // Where the refusal goes (tests); default: a warning box over the dialog.
    void setMessageHandler(std::function<void(const QString&)> handler) {
        message_ = std::move(handler);
    }

    void accept() override;

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
    std::function<void(const QString&)> message_;
};

} // namespace lumora
