// The slideshow options dialog "スライドショーの実行" (dialog 218).
//
// Load the options with SetOptions, exec(); on "実行" (accept) the eight
// values are in Options(); "キャンセル" changes nothing. The interval must
// be an integer from 0 to 30, else the standard range message shows and the
// dialog stays open. The music file name, its browse button and the loop
// check box are enabled only while "BGMを演奏する" is checked.
//
// Controls are named "id<control id>". GUI thread only.
#pragma once

#include "settings/AppSettings.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace lumora {

class CUpDownEdit;

class CSlideShowDlg : public QDialog {
    Q_OBJECT
public:
    explicit CSlideShowDlg(QWidget* parent = nullptr);

    void SetOptions(const SlideShowSettings& options);
    const SlideShowSettings& Options() const { return options_; }

    // The browse dialog's filters, the first one chosen at the start.
    static QStringList musicFilters();
    // "参照(&B)...": a file-open dialog starting at the current file name.
    void browse();

public slots:
    void accept() override;

private:
    void updateMusicControls();

    SlideShowSettings options_;
    CUpDownEdit* interval_;
    QCheckBox* fullScreen_;
    QCheckBox* noPreImage_;
    QCheckBox* fromHead_;
    QCheckBox* autoClose_;
    QCheckBox* playBgm_;
    QCheckBox* loopBgm_;
    QLineEdit* fileName_;
    QPushButton* browse_;
};

// Opens a file-open dialog with `filters` whose patterns may be separated by
// ";" as well as by blanks ("(*.mp3; *.wav)"). Returns the chosen file or an
// empty string.
QString openFileWithFilters(QWidget* parent, const QString& start, const QStringList& filters);

} // namespace lumora
