// The six pages of the settings sheet (CAppSettingDlg).
//
// Each page keeps plain members for its values. The sheet's owner copies
// the settings into the members before the sheet is shown (LoadPages); a
// page fills its controls from the members the first time it is shown in a
// run (OnInitDialog, which sets initialised()); validate() checks the
// controls and copies them back into the members, and fails with the
// standard integer message when a field is not an integer of its range.
// Only initialised pages are read back after OK, so a page the user never
// opened changes nothing.
//
// Object names: every control is named "id<control id>" of its dialog
// template ("id1018", "id1007").
//
// GUI thread only; widgets are owned by their Qt parents.
#pragma once

#include "settings/AppSettings.h"

#include <QColor>
#include <QFont>
#include <QStringList>
#include <QWidget>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace lumora {

class CColorBox;
class CUpDownEdit;

class CSettingPage : public QWidget {
    Q_OBJECT
public:
    CSettingPage(int dialogId, QString title, QWidget* parent = nullptr);

    int dialogId() const { return dialogId_; }
    const QString& title() const { return title_; }
    bool initialised() const { return initialised_; }
    // A new run of the sheet: the next showing fills the controls again.
    void beginRun() { initialised_ = false; }
    // Fills the controls from the members once per run.
    void ensureInitialised();
    // Controls to members; false (after the message) keeps the page open.
    virtual bool validate() = 0;
    // The page is being left (another page, OK or Cancel).
    virtual void leavePage() {}

protected:
    virtual void OnInitDialog() = 0;
    void showEvent(QShowEvent* event) override;

private:
    int dialogId_;
    QString title_;
    bool initialised_ = false;
};

// Check boxes each bound to a 0/1 member of their page: show() sets the
// boxes from the members, read() writes 1 or 0 back.
class FlagChecks {
public:
    QCheckBox* add(int id, const QString& text, std::int32_t& value);
    void show() const;
    void read() const;

private:
    std::vector<std::pair<QCheckBox*, std::int32_t*>> checks_;
};

// Two exclusive radio buttons for a 0/1 member: the first stands for any
// value but 1, the second for 1.
struct RadioPair {
    QRadioButton* first = nullptr;
    QRadioButton* second = nullptr;

    // Creates the buttons (object names from their ids) in one button group
    // owned by `owner`.
    static RadioPair make(QWidget* owner, int firstId, const QString& firstText, int secondId,
                          const QString& secondText);
    void show(std::int32_t value) const;
    std::int32_t chosen() const;
    // The two buttons one above the other, for a group box.
    QLayout* column() const;
};

// Page 1 "全般".
class CGeneralSetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CGeneralSetting(QWidget* parent = nullptr);
    bool validate() override;

    std::int32_t MiscKind = 0;
    std::int32_t RawKind = 0;
    std::int32_t PictureKind = 0;
    std::int32_t SizeLimitterSize = 0;
    std::int32_t AutoUpdate = 0;
    std::int32_t AutoDriveDetect = 0;

protected:
    void OnInitDialog() override;

private:
    // The current RAW kinds, one check each with its `RawKind` bit.
    std::vector<std::pair<QCheckBox*, std::int32_t>> raw_;
    // HEIF, AVIF, PNG, WebP, JPEG XL, one check each with its `PictureKind` bit.
    std::vector<std::pair<QCheckBox*, std::int32_t>> pictures_;
    QCheckBox* bmp_;
    QCheckBox* psd_;
    QCheckBox* gif_;
    QCheckBox* ico_;
    QCheckBox* cur_;
    QLineEdit* size_;
    FlagChecks flags_; // AutoUpdate, AutoDriveDetect
};

// Page 2 "サムネイル表示".
class CDisplaySetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CDisplaySetting(QWidget* parent = nullptr);
    bool validate() override;

    std::int32_t ItemSpace = 0;
    std::int32_t ImageSpace = 0;
    std::int32_t CustomThumbnailSizeHorz = 0;
    std::int32_t CustomThumbnailSizeVert = 0;
    std::int32_t AutoRotate = 0;
    std::int32_t KindIcon = 0;
    std::int32_t ProtectIcon = 0;

protected:
    void OnInitDialog() override;

private:
    void longSideChanged(const QString& text);

    CUpDownEdit* itemSpace_;
    CUpDownEdit* imageSpace_;
    CUpDownEdit* longSide_;
    QLineEdit* shortSide_;
    FlagChecks flags_; // AutoRotate, KindIcon, ProtectIcon
};

// The colour and font part of the settings record that page 3 edits.
struct ColorFontValues {
    std::array<std::int32_t, 9> colors{}; // ThumbWorkspace ... ExifInfo, in table order
    QString fileNameFace;
    std::int32_t fileNameHeight = 0;
    std::int32_t fileNameWeight = 0;
    QString exifInfoFace;
    std::int32_t exifInfoHeight = 0;
    std::int32_t exifInfoWeight = 0;

    static ColorFontValues from(const AppSettings& s);
    void storeTo(AppSettings& s) const;
    bool operator==(const ColorFontValues&) const = default;
};

// A caption font from its stored face, height (negative: character height
// in pixels) and weight (0 default), and back.
QFont fontFromSettings(const QString& face, std::int32_t height, std::int32_t weight);
void fontToSettings(const QFont& font, QString& face, std::int32_t& height, std::int32_t& weight);
// 0x00BBGGRR values and colours.
QColor colorFromColorRef(std::int32_t ref);
std::int32_t colorRefFromColor(const QColor& c);

// Page 3 "色・フォント".
class CColorSetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CColorSetting(QWidget* parent = nullptr);
    bool validate() override;

    ColorFontValues Values;

    // The nine colour buttons in table order, and the two samples.
    CColorBox* colorBox(int i) const { return boxes_[std::size_t(i)]; }
    QLabel* fileNameSample() const { return sample1030_; }
    QLabel* exifInfoSample() const { return sample1031_; }
    // "デフォルトに戻す".
    void restoreDefaults();
    // Font chooser of sample 0 (file name) or 1 (shooting information).
    void chooseFont(int which);
    // Sets a sample's font as if chosen in the font chooser.
    void setChosenFont(int which, const QFont& font);

protected:
    void OnInitDialog() override;

private:
    void colorChosen(int index);
    void updateSamples();

    std::array<CColorBox*, 9> boxes_{};
    QLabel* sample1030_;
    QLabel* sample1031_;
    QFont fileNameFont_;
    QFont exifInfoFont_;
    std::array<bool, 2> fontChosen_{};
};

// Page 4 "プレビュー".
class CPreviewSetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CPreviewSetting(QWidget* parent = nullptr);
    bool validate() override;

    std::int32_t MagMode = 0;
    std::int32_t RotateMode = 0;
    std::int32_t PreimageSize = 0;
    std::int32_t NoMagOnFit = 0;
    std::int32_t FullScreenToolBar = 0;
    QString DisplayProfile; // monitor profile file, empty for none

protected:
    void OnInitDialog() override;

private:
    void browseProfile();

    RadioPair mag_;    // MagMode: fit, keep
    RadioPair rotate_; // RotateMode: EXIF, keep
    CUpDownEdit* preimage_;
    FlagChecks flags_; // NoMagOnFit, FullScreenToolBar
    QLineEdit* profile_;
    QPushButton* browseProfile_;
};

// Page 5 "カスタム".
class CCustomSetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CCustomSetting(QWidget* parent = nullptr);
    ~CCustomSetting() override;
    bool validate() override;
    void leavePage() override;

    std::int32_t PreviewMouseWheel = 0;
    std::int32_t NoSlideShowDlg = 0;
    std::int32_t OneKey = 0;

    bool capturing() const { return capturing_; }
    // "キーの登録".
    void startCapture();

protected:
    void OnInitDialog() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void endCapture();

    RadioPair wheel_;  // PreviewMouseWheel: magnify, step
    FlagChecks flags_; // NoSlideShowDlg
    QLineEdit* keyName_;
    QPushButton* capture_;
    QLabel* hint_;
    bool capturing_ = false;
};

// Page 6 "外部アプリ".
class CExternalAppSetting : public CSettingPage {
    Q_OBJECT
public:
    explicit CExternalAppSetting(QWidget* parent = nullptr);
    bool validate() override;

    QStringList AppList;

    QTreeWidget* list() const { return list_; }
    // Appends a row for `path` (what "新規登録..." does after its dialog).
    void addApplication(const QString& path);
    // "新規登録...", "削除" (asks first), "↑", "↓".
    void onAdd();
    void onRemove();
    void moveSelected(int delta);

protected:
    void OnInitDialog() override;

private:
    QTreeWidget* list_;
};

} // namespace lumora
