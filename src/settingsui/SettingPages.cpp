#include "settingsui/SettingPages.h"

#include "controls/IntegerEdit.h"
#include "platform/KeyData.h"
#include "settings/SettingsKeys.h"
#include "settingsui/ColorBox.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSortFilterProxyModel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace lumora {

namespace {

template <typename W> W* named(W* w, int id) {
    w->setObjectName(QStringLiteral("id%1").arg(id));
    return w;
}

QCheckBox* check(int id, const QString& text) {
    return named(new QCheckBox(text), id);
}

QRadioButton* radio(int id, const QString& text) {
    return named(new QRadioButton(text), id);
}

const SettingKey& key(const char* section, const char* name) {
    return *findSettingKey(section, name);
}

void setRange(CUpDownEdit* edit, const SettingKey& k) {
    edit->setRange(k.minimum, k.maximum);
}

bool validateField(QLineEdit* edit, const SettingKey& k, std::int32_t& out) {
    int v = 0;
    if (!validateInteger(edit, k.minimum, k.maximum, v))
        return false;
    out = v;
    return true;
}

QHBoxLayout* row(std::initializer_list<QWidget*> widgets) {
    auto* l = new QHBoxLayout;
    for (QWidget* w : widgets)
        l->addWidget(w);
    l->addStretch();
    return l;
}

QGroupBox* group(const QString& title, QLayout* content) {
    auto* g = new QGroupBox(title);
    g->setLayout(content);
    return g;
}

constexpr std::int32_t kMiscPsd = 0x01;
constexpr std::int32_t kMiscBmp = 0x04;
constexpr std::int32_t kMiscGif = 0x08;
constexpr std::int32_t kMiscIco = 0x10;
constexpr std::int32_t kMiscCur = 0x20;

// `RawKind` bits.
constexpr std::int32_t kRawCr3 = 0x01;
constexpr std::int32_t kRawArw = 0x02;
constexpr std::int32_t kRawDng = 0x04;
constexpr std::int32_t kRawRw2 = 0x08;
constexpr std::int32_t kRawNrw = 0x10;
constexpr std::int32_t kRawSrw = 0x20;
constexpr std::int32_t kRaw3fr = 0x40;

// `PictureKind` bits.
constexpr std::int32_t kPictureHeif = 0x01;
constexpr std::int32_t kPictureAvif = 0x02;
constexpr std::int32_t kPicturePng = 0x04;
constexpr std::int32_t kPictureWebP = 0x08;
constexpr std::int32_t kPictureJxl = 0x10;

} // namespace

// ---- FlagChecks, RadioPair ---------------------------------------------------

QCheckBox* FlagChecks::add(int id, const QString& text, std::int32_t& value) {
    QCheckBox* box = check(id, text);
    checks_.emplace_back(box, &value);
    return box;
}

void FlagChecks::show() const {
    for (const auto& [box, value] : checks_)
        box->setChecked(*value != 0);
}

void FlagChecks::read() const {
    for (const auto& [box, value] : checks_)
        *value = box->isChecked() ? 1 : 0;
}

RadioPair RadioPair::make(QWidget* owner, int firstId, const QString& firstText, int secondId,
                          const QString& secondText) {
    RadioPair pair{radio(firstId, firstText), radio(secondId, secondText)};
    auto* group = new QButtonGroup(owner);
    group->addButton(pair.first);
    group->addButton(pair.second);
    return pair;
}

void RadioPair::show(std::int32_t value) const {
    (value == 1 ? second : first)->setChecked(true);
}

std::int32_t RadioPair::chosen() const {
    return second->isChecked() ? 1 : 0;
}

QLayout* RadioPair::column() const {
    auto* l = new QVBoxLayout;
    l->addWidget(first);
    l->addWidget(second);
    return l;
}

// ---- CSettingPage ------------------------------------------------------

CSettingPage::CSettingPage(int dialogId, QString title, QWidget* parent)
    : QWidget(parent), dialogId_(dialogId), title_(std::move(title)) {
    setObjectName(QStringLiteral("page%1").arg(dialogId));
}

void CSettingPage::ensureInitialised() {
    if (initialised_)
        return;
    OnInitDialog();
    initialised_ = true;
}

void CSettingPage::showEvent(QShowEvent* event) {
    ensureInitialised();
    QWidget::showEvent(event);
}

// ---- page 1 ----------------------------------------------------------------

CGeneralSetting::CGeneralSetting(QWidget* parent)
    : CSettingPage(106, QStringLiteral("全般"), parent) {
    bmp_ = check(1018, QStringLiteral("ビットマップファイル(*.bmp)"));
    psd_ = check(1019, QStringLiteral("Photoshopファイル(*.PSD)"));
    gif_ = check(1020, QStringLiteral("GIFファイル(*.gif)"));
    ico_ = check(1023, QStringLiteral("アイコンファイル(*.ico)"));
    cur_ = check(1024, QStringLiteral("カーソルファイル(*.cur)"));
    auto* kinds = new QVBoxLayout;
    for (QCheckBox* c : {bmp_, psd_, gif_, ico_, cur_})
        kinds->addWidget(c);
    const struct {
        int id;
        const char* text;
        std::int32_t bit;
    } pictureKinds[] = {
        {1060, "HEIF/HEICファイル(*.heic, *.heif, *.hif)", kPictureHeif},
        {1061, "AVIFファイル(*.avif)", kPictureAvif},
        {1062, "PNGファイル(*.png)", kPicturePng},
        {1063, "WebPファイル(*.webp)", kPictureWebP},
        {1064, "JPEG XLファイル(*.jxl)", kPictureJxl},
    };
    for (const auto& k : pictureKinds) {
        QCheckBox* box = check(k.id, QString::fromUtf8(k.text));
        kinds->addWidget(box);
        pictures_.emplace_back(box, k.bit);
    }
    const struct {
        int id;
        const char* text;
        std::int32_t bit;
    } rawKinds[] = {
        {1040, "キヤノン CR3ファイル(*.cr3)", kRawCr3},
        {1041, "ソニー ARW/SRFファイル(*.arw, *.srf)", kRawArw},
        {1042, "DNGファイル(*.dng)", kRawDng},
        {1043, "パナソニック/ライカ RW2/RWLファイル(*.rw2, *.rwl)", kRawRw2},
        {1044, "ニコン NRWファイル(*.nrw)", kRawNrw},
        {1045, "サムスン SRWファイル(*.srw)", kRawSrw},
        {1046, "ハッセルブラッド 3FRファイル(*.3fr)", kRaw3fr},
    };
    auto* rawLayout = new QGridLayout;
    for (const auto& k : rawKinds) {
        QCheckBox* box = check(k.id, QString::fromUtf8(k.text));
        const int n = int(raw_.size());
        rawLayout->addWidget(box, n % 4, n / 4);
        raw_.emplace_back(box, k.bit);
    }

    size_ = named(new QLineEdit, 1013);
    size_->setFixedWidth(70);
    auto* sizeRow = row({size_, new QLabel(QStringLiteral("KB 未満のファイルは表示しない"))});

    QCheckBox* autoUpdate = flags_.add(
        1021, QStringLiteral("開いているフォルダの変更を検出して自動的にサムネイル更新する"),
        AutoUpdate);
    QCheckBox* driveDetect = flags_.add(
        1035, QStringLiteral("ドライブが変更されたら自動的に情報を更新する"), AutoDriveDetect);

    auto* page = new QVBoxLayout(this);
    page->addWidget(group(QStringLiteral("MISCで表示するファイル"), kinds));
    page->addWidget(group(QStringLiteral("RAWで表示するファイル"), rawLayout));
    page->addWidget(
        group(QStringLiteral("サイズリミッタ使用時のサムネイル表示下限ファイルサイズ"), sizeRow));
    page->addWidget(autoUpdate);
    page->addWidget(driveDetect);
    page->addStretch();
}

void CGeneralSetting::OnInitDialog() {
    bmp_->setChecked(MiscKind & kMiscBmp);
    psd_->setChecked(MiscKind & kMiscPsd);
    gif_->setChecked(MiscKind & kMiscGif);
    ico_->setChecked(MiscKind & kMiscIco);
    cur_->setChecked(MiscKind & kMiscCur);
    for (const auto& [box, bit] : raw_)
        box->setChecked(RawKind & bit);
    for (const auto& [box, bit] : pictures_)
        box->setChecked(PictureKind & bit);
    size_->setText(QString::number(SizeLimitterSize));
    flags_.show();
}

bool CGeneralSetting::validate() {
    if (!validateField(size_, key("ApplicationSettings", "SizeLimitterSize"), SizeLimitterSize))
        return false;
    // Bit 1 has no control and is written back as 0.
    MiscKind = (bmp_->isChecked() ? kMiscBmp : 0) | (psd_->isChecked() ? kMiscPsd : 0) |
               (gif_->isChecked() ? kMiscGif : 0) | (ico_->isChecked() ? kMiscIco : 0) |
               (cur_->isChecked() ? kMiscCur : 0);
    RawKind = 0;
    for (const auto& [box, bit] : raw_)
        RawKind |= box->isChecked() ? bit : 0;
    PictureKind = 0;
    for (const auto& [box, bit] : pictures_)
        PictureKind |= box->isChecked() ? bit : 0;
    flags_.read();
    return true;
}

// ---- page 2 ----------------------------------------------------------------

CDisplaySetting::CDisplaySetting(QWidget* parent)
    : CSettingPage(181, QStringLiteral("サムネイル表示"), parent) {
    itemSpace_ = new CUpDownEdit(1008, 1015);
    imageSpace_ = new CUpDownEdit(1016, 1017);
    longSide_ = new CUpDownEdit(1007, 1024);
    setRange(itemSpace_, key("DisplaySettings", "ItemSpace"));
    setRange(imageSpace_, key("DisplaySettings", "ImageSpace"));
    setRange(longSide_, key("DisplaySettings", "CustomThumbnailSizeHorz"));
    for (CUpDownEdit* e : {itemSpace_, imageSpace_, longSide_})
        e->setFixedWidth(70);
    shortSide_ = named(new QLineEdit, 1009);
    shortSide_->setReadOnly(true);
    shortSide_->setFixedWidth(54);

    auto* layoutGrid = new QGridLayout;
    layoutGrid->addWidget(new QLabel(QStringLiteral("サムネイル同士の間隔：")), 0, 0);
    layoutGrid->addWidget(itemSpace_, 0, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("ピクセル (※1)")), 0, 2);
    layoutGrid->addWidget(new QLabel(QStringLiteral("サムネイル境界と画像の間隔：")), 1, 0);
    layoutGrid->addWidget(imageSpace_, 1, 1);
    layoutGrid->addWidget(new QLabel(QStringLiteral("ピクセル")), 1, 2);
    auto* note = new QLabel(QStringLiteral(
        "(※1) サムネイル同士の間隔は詰め過ぎると\nマウスでの矩形領域選択がしにくくなります"));
    layoutGrid->addWidget(note, 2, 0, 1, 3);
    layoutGrid->setColumnStretch(3, 1);

    auto* customRow = row({new QLabel(QStringLiteral("長辺×短辺：")), longSide_,
                           new QLabel(QStringLiteral("×")), shortSide_});
    auto* custom = new QVBoxLayout;
    custom->addLayout(customRow);
    custom->addWidget(new QLabel(QStringLiteral("（短辺は長辺から自動決定）")));

    QCheckBox* autoRotate = flags_.add(
        1019, QStringLiteral("Exif情報に連動してサムネイルを自動回転させる"), AutoRotate);
    QCheckBox* kindIcon = flags_.add(1022, QStringLiteral("画像種別アイコンを表示する"), KindIcon);
    QCheckBox* protectIcon =
        flags_.add(1023, QStringLiteral("プロテクトアイコンを表示する"), ProtectIcon);

    auto* page = new QVBoxLayout(this);
    page->addWidget(group(QStringLiteral("レイアウトの調整"), layoutGrid));
    page->addWidget(group(QStringLiteral("カスタムサムネイルサイズ"), custom));
    page->addWidget(autoRotate);
    page->addWidget(kindIcon);
    page->addWidget(protectIcon);
    page->addStretch();

    connect(longSide_, &CUpDownEdit::textChanged, this, &CDisplaySetting::longSideChanged);
}

void CDisplaySetting::longSideChanged(const QString& text) {
    // A non-zero long side sets the short side to three quarters of it.
    const std::optional<int> v = parseInteger(text);
    if (!v || *v == 0)
        return;
    CustomThumbnailSizeVert = static_cast<std::int32_t>(*v * 0.75);
    shortSide_->setText(QString::number(CustomThumbnailSizeVert));
}

void CDisplaySetting::OnInitDialog() {
    itemSpace_->setValue(ItemSpace);
    imageSpace_->setValue(ImageSpace);
    const std::int32_t vert = CustomThumbnailSizeVert;
    longSide_->setValue(CustomThumbnailSizeHorz);
    // Opening shows the stored short side, whatever the long side gives.
    CustomThumbnailSizeVert = vert;
    shortSide_->setText(QString::number(vert));
    flags_.show();
}

bool CDisplaySetting::validate() {
    if (!validateField(itemSpace_->edit(), key("DisplaySettings", "ItemSpace"), ItemSpace) ||
        !validateField(imageSpace_->edit(), key("DisplaySettings", "ImageSpace"), ImageSpace) ||
        !validateField(longSide_->edit(), key("DisplaySettings", "CustomThumbnailSizeHorz"),
                       CustomThumbnailSizeHorz))
        return false;
    flags_.read();
    return true;
}

// ---- page 3 ----------------------------------------------------------------

namespace {

struct ColorRow {
    int id;
    const char* label;
    std::int32_t AppSettings::*field;
};

const ColorRow kColorRows[9] = {
    {1020, "サムネイルのウインドウ背景", &AppSettings::ThumbWorkspace},
    {1021, "サムネイルの背景（非選択時）", &AppSettings::CanvasNormal},
    {1022, "サムネイルの背景（選択時&&フォアグラウンド時）",
     &AppSettings::CanvasSelectedForeground},
    {1023, "サムネイルの背景（選択時&&バックグラウンド時）",
     &AppSettings::CanvasSelectedBackground},
    {1024, "サムネイル枠（非カーソル時）", &AppSettings::ThumbEdge},
    {1025, "サムネイルカーソル枠（フォアグラウンド時）", &AppSettings::CursorForeground},
    {1026, "サムネイルカーソル枠（バックグラウンド時）", &AppSettings::CursorBackground},
    {1027, "ファイル名フォント", &AppSettings::FileName},
    {1034, "撮影情報フォント", &AppSettings::ExifInfo},
};
constexpr int kCanvasNormal = 1;
constexpr int kFileNameColor = 7;
constexpr int kExifInfoColor = 8;

// The font chooser without effects and without the script choice.
bool runFontDialog(QWidget* parent, QFont& font) {
    QFontDialog dialog(font, parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    for (QGroupBox* g : dialog.findChildren<QGroupBox*>())
        g->hide(); // underline and strike-out
    for (QComboBox* c : dialog.findChildren<QComboBox*>())
        c->hide(); // writing system
    for (QLabel* l : dialog.findChildren<QLabel*>())
        if (qobject_cast<QComboBox*>(l->buddy()))
            l->hide();
    if (dialog.exec() != QDialog::Accepted)
        return false;
    QFont chosen = dialog.selectedFont();
    chosen.setUnderline(false);
    chosen.setStrikeOut(false);
    font = chosen;
    return true;
}

} // namespace

QColor colorFromColorRef(std::int32_t ref) {
    const auto v = static_cast<std::uint32_t>(ref);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

std::int32_t colorRefFromColor(const QColor& c) {
    return static_cast<std::int32_t>(std::uint32_t(c.red()) | (std::uint32_t(c.green()) << 8) |
                                     (std::uint32_t(c.blue()) << 16));
}

ColorFontValues ColorFontValues::from(const AppSettings& s) {
    ColorFontValues v;
    for (int i = 0; i < 9; ++i)
        v.colors[std::size_t(i)] = s.*kColorRows[i].field;
    v.fileNameFace = s.FileNameFace;
    v.fileNameHeight = s.FileNameHeight;
    v.fileNameWeight = s.FileNameWidth;
    v.exifInfoFace = s.ExifInfoFace;
    v.exifInfoHeight = s.ExifInfoHeight;
    v.exifInfoWeight = s.ExifInfoWidth;
    return v;
}

void ColorFontValues::storeTo(AppSettings& s) const {
    for (int i = 0; i < 9; ++i)
        s.*kColorRows[i].field = colors[std::size_t(i)];
    s.FileNameFace = fileNameFace.left(kFontFaceMaxChars);
    s.FileNameHeight = fileNameHeight;
    s.FileNameWidth = fileNameWeight;
    s.ExifInfoFace = exifInfoFace.left(kFontFaceMaxChars);
    s.ExifInfoHeight = exifInfoHeight;
    s.ExifInfoWidth = exifInfoWeight;
}

QFont fontFromSettings(const QString& face, std::int32_t height, std::int32_t weight) {
    QFont f;
    f.setFamilies({face, QStringLiteral("IPAPGothic"), QStringLiteral("sans-serif")});
    // A negative height is the character height; a positive one the cell's.
    int px = height < 0 ? -height : (height * 7 + 4) / 8;
    if (px <= 0 || px > 200)
        px = 12;
    f.setPixelSize(px);
    if (weight > 0)
        f.setWeight(static_cast<QFont::Weight>(weight > 1000 ? 1000 : weight));
    return f;
}

void fontToSettings(const QFont& font, QString& face, std::int32_t& height, std::int32_t& weight) {
    face = font.family().left(kFontFaceMaxChars);
    int px = font.pixelSize();
    if (px <= 0) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        const double dpi = screen ? screen->logicalDotsPerInchY() : 96.0;
        px = static_cast<int>(std::lround(font.pointSizeF() * dpi / 72.0));
    }
    height = -(px > 0 ? px : 12);
    weight = static_cast<std::int32_t>(font.weight());
}

CColorSetting::CColorSetting(QWidget* parent)
    : CSettingPage(182, QStringLiteral("色・フォント"), parent) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < 9; ++i) {
        auto* box = new CColorBox(kColorRows[i].id);
        boxes_[std::size_t(i)] = box;
        // "&&" in a label shows one "&".
        auto* label = new QLabel(QString::fromUtf8(kColorRows[i].label).replace("&&", "&"));
        grid->addWidget(label, i, 0);
        grid->addWidget(box, i, 1);
        connect(box, &CColorBox::colorChanged, this, [this, i] { colorChosen(i); });
    }
    grid->setColumnStretch(2, 1);

    auto* font1 = named(new QPushButton(QStringLiteral("フォント...")), 1029);
    auto* font2 = named(new QPushButton(QStringLiteral("フォント...")), 1032);
    sample1030_ = named(new QLabel(QStringLiteral("DSC000.JPG")), 1030);
    sample1031_ = named(new QLabel(QStringLiteral("1/250 F2.8")), 1031);
    for (QLabel* s : {sample1030_, sample1031_}) {
        s->setAutoFillBackground(true);
        s->setAlignment(Qt::AlignCenter);
        s->setMinimumSize(150, 30);
    }
    auto* defaults = named(new QPushButton(QStringLiteral("デフォルトに戻す")), 1033);
    connect(font1, &QPushButton::clicked, this, [this] { chooseFont(0); });
    connect(font2, &QPushButton::clicked, this, [this] { chooseFont(1); });
    connect(defaults, &QPushButton::clicked, this, &CColorSetting::restoreDefaults);

    auto* fonts = new QGridLayout;
    fonts->addWidget(font1, 0, 0);
    fonts->addWidget(sample1030_, 0, 1);
    fonts->addWidget(font2, 1, 0);
    fonts->addWidget(sample1031_, 1, 1);
    fonts->setColumnStretch(2, 1);

    auto* page = new QVBoxLayout(this);
    page->addLayout(grid);
    page->addLayout(fonts);
    page->addLayout(row({defaults}));
    page->addStretch();
}

void CColorSetting::OnInitDialog() {
    for (int i = 0; i < 9; ++i)
        boxes_[std::size_t(i)]->setColor(colorFromColorRef(Values.colors[std::size_t(i)]));
    fileNameFont_ =
        fontFromSettings(Values.fileNameFace, Values.fileNameHeight, Values.fileNameWeight);
    exifInfoFont_ =
        fontFromSettings(Values.exifInfoFace, Values.exifInfoHeight, Values.exifInfoWeight);
    fontChosen_ = {false, false};
    updateSamples();
}

void CColorSetting::updateSamples() {
    const QColor background = boxes_[kCanvasNormal]->color();
    const QColor text[2] = {boxes_[kFileNameColor]->color(), boxes_[kExifInfoColor]->color()};
    QLabel* samples[2] = {sample1030_, sample1031_};
    for (int i = 0; i < 2; ++i) {
        QPalette p = samples[i]->palette();
        p.setColor(QPalette::Window, background);
        p.setColor(QPalette::WindowText, text[i]);
        samples[i]->setPalette(p);
    }
    sample1030_->setFont(fileNameFont_);
    sample1031_->setFont(exifInfoFont_);
}

void CColorSetting::colorChosen(int index) {
    if (index == kCanvasNormal || index == kFileNameColor || index == kExifInfoColor)
        updateSamples();
}

void CColorSetting::chooseFont(int which) {
    QFont& font = which == 0 ? fileNameFont_ : exifInfoFont_;
    if (runFontDialog(this, font)) {
        fontChosen_[which == 0 ? 0 : 1] = true;
        updateSamples();
    }
}

void CColorSetting::setChosenFont(int which, const QFont& font) {
    (which == 0 ? fileNameFont_ : exifInfoFont_) = font;
    fontChosen_[which == 0 ? 0 : 1] = true;
    updateSamples();
}

void CColorSetting::restoreDefaults() {
    const AppSettings d;
    for (int i = 0; i < 9; ++i)
        boxes_[std::size_t(i)]->setColor(colorFromColorRef(d.*kColorRows[i].field));
    fileNameFont_ = fontFromSettings(QStringLiteral("MS UI Gothic"), -12, 400);
    exifInfoFont_ = fontFromSettings(QStringLiteral("MS UI Gothic"), -12, 400);
    fontChosen_ = {true, true};
    updateSamples();
}

bool CColorSetting::validate() {
    for (int i = 0; i < 9; ++i)
        Values.colors[std::size_t(i)] = colorRefFromColor(boxes_[std::size_t(i)]->color());
    // A font the user did not touch keeps its stored values. A chosen one is
    // stored with the face the user chose (not a fallback family).
    auto store = [](const QFont& f, QString& face, std::int32_t& height, std::int32_t& weight) {
        const QStringList families = f.families();
        fontToSettings(f, face, height, weight);
        if (!families.isEmpty())
            face = families.first().left(kFontFaceMaxChars);
    };
    if (fontChosen_[0])
        store(fileNameFont_, Values.fileNameFace, Values.fileNameHeight, Values.fileNameWeight);
    if (fontChosen_[1])
        store(exifInfoFont_, Values.exifInfoFace, Values.exifInfoHeight, Values.exifInfoWeight);
    return true;
}

// ---- page 4 ----------------------------------------------------------------

CPreviewSetting::CPreviewSetting(QWidget* parent)
    : CSettingPage(183, QStringLiteral("プレビュー"), parent) {
    mag_ = RadioPair::make(this, 1022, QStringLiteral("フィットモードで表示"), 1023,
                           QStringLiteral("前回の表示倍率をそのまま使用"));
    rotate_ = RadioPair::make(this, 1026, QStringLiteral("Exif連動（自動）"), 1027,
                              QStringLiteral("前回の角度をそのまま使用"));

    preimage_ = new CUpDownEdit(1036, 1024);
    setRange(preimage_, key("PreviewSettings", "PreimageSize"));
    preimage_->setFixedWidth(60);
    QCheckBox* noMagOnFit =
        flags_.add(1038, QStringLiteral("フィットモード時に拡大はしない"), NoMagOnFit);
    QCheckBox* fullScreenToolBar =
        flags_.add(1037, QStringLiteral("全画面表示時にツールバーを表示する"), FullScreenToolBar);

    auto* pre = row({new QLabel(QStringLiteral("サムネイルサイズの")), preimage_,
                     new QLabel(QStringLiteral("倍で表示"))});

    profile_ = named(new QLineEdit, 1090);
    browseProfile_ = named(new QPushButton(QStringLiteral("参照(&B)...")), 1091);
    browseProfile_->setAutoDefault(false);
    connect(browseProfile_, &QPushButton::clicked, this, &CPreviewSetting::browseProfile);
    auto* colour = new QVBoxLayout;
    colour->addWidget(new QLabel(
        QStringLiteral("デスクトップがモニターのプロファイルを指定しないときに使うICCプロファイル"
                       "（空欄のときはsRGB）：")));
    colour->addLayout(row({profile_, browseProfile_}));

    auto* page = new QVBoxLayout(this);
    page->addWidget(group(QStringLiteral("新しい画像がロードされたときの表示倍率"), mag_.column()));
    page->addWidget(group(QStringLiteral("新しい画像がロードされたときの回転"), rotate_.column()));
    page->addWidget(group(QStringLiteral("プリイメージ"), pre));
    page->addWidget(noMagOnFit);
    page->addWidget(fullScreenToolBar);
    page->addWidget(group(QStringLiteral("カラーマネジメント"), colour));
    page->addStretch();
}

void CPreviewSetting::browseProfile() {
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (!profile_->text().isEmpty())
        dialog.selectFile(profile_->text());
    dialog.setNameFilters({QStringLiteral("ICCプロファイル (*.icc *.icm *.ICC *.ICM)"),
                           QStringLiteral("すべてのファイル (*)")});
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        profile_->setText(dialog.selectedFiles().first());
}

void CPreviewSetting::OnInitDialog() {
    mag_.show(MagMode);
    rotate_.show(RotateMode);
    preimage_->setValue(PreimageSize);
    flags_.show();
    profile_->setText(DisplayProfile);
}

bool CPreviewSetting::validate() {
    if (!validateField(preimage_->edit(), key("PreviewSettings", "PreimageSize"), PreimageSize))
        return false;
    MagMode = mag_.chosen();
    RotateMode = rotate_.chosen();
    flags_.read();
    DisplayProfile = profile_->text().trimmed();
    return true;
}

// ---- page 5 ----------------------------------------------------------------

CCustomSetting::CCustomSetting(QWidget* parent)
    : CSettingPage(221, QStringLiteral("カスタム"), parent) {
    wheel_ = RadioPair::make(this, 1055, QStringLiteral("画像の倍率変更"), 1056,
                             QStringLiteral("画像の前後送り"));
    QCheckBox* noDialog = flags_.add(
        1047, QStringLiteral("スライドショー開始時のダイアログを毎回出さない"), NoSlideShowDlg);
    keyName_ = named(new QLineEdit, 1007);
    keyName_->setReadOnly(true);
    keyName_->setMaxLength(100);
    capture_ = named(new QPushButton(QStringLiteral("キーの登録")), 1058);
    capture_->setAutoDefault(false);
    hint_ = named(new QLabel(QStringLiteral("登録したいキーを一つ押してください")), 1059);
    hint_->hide();
    connect(capture_, &QPushButton::clicked, this, &CCustomSetting::startCapture);

    auto* oneKey = new QVBoxLayout;
    oneKey->addLayout(row({keyName_, capture_}));
    oneKey->addWidget(hint_);

    auto* page = new QVBoxLayout(this);
    page->addWidget(
        group(QStringLiteral("プレビューウインドウでのマウスホイールの動作"), wheel_.column()));
    page->addWidget(noDialog);
    page->addWidget(group(QStringLiteral("One Key セレクト"), oneKey));
    page->addStretch();
}

CCustomSetting::~CCustomSetting() {
    if (capturing_)
        qApp->removeEventFilter(this);
}

void CCustomSetting::OnInitDialog() {
    wheel_.show(PreviewMouseWheel);
    flags_.show();
    keyName_->setText(keydata::keyName(OneKey));
}

bool CCustomSetting::validate() {
    PreviewMouseWheel = wheel_.chosen();
    flags_.read();
    return true;
}

void CCustomSetting::startCapture() {
    if (capturing_)
        return;
    capture_->setEnabled(false);
    keyName_->setFocus(Qt::OtherFocusReason);
    hint_->show();
    capturing_ = true;
    // The first key that reaches this page's window is taken, before any
    // shortcut, default button or Esc handling sees it.
    qApp->installEventFilter(this);
}

void CCustomSetting::endCapture() {
    if (!capturing_)
        return;
    qApp->removeEventFilter(this);
    capturing_ = false;
    hint_->hide();
    capture_->setEnabled(true);
}

void CCustomSetting::leavePage() {
    endCapture(); // leaving the page ends the capture without a change
}

bool CCustomSetting::eventFilter(QObject* watched, QEvent* event) {
    if (!capturing_)
        return false;
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        return false;
    auto* w = qobject_cast<QWidget*>(watched);
    if (!w || w->window() != window())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::ShortcutOverride) {
        key->accept(); // no shortcut; the key press follows
        return true;
    }
    const std::optional<keydata::KeyStroke> stroke =
        keydata::strokeFromEvent(key->nativeScanCode(), key->key(), key->modifiers());
    if (stroke) {
        OneKey = keydata::keyData(*stroke, type == QEvent::KeyRelease);
        keyName_->setText(keydata::keyName(OneKey));
    }
    endCapture();
    return true;
}

// ---- page 6 ----------------------------------------------------------------

namespace {

// Keeps folders and executable files while the first filter is chosen.
class ExecutableFilter : public QSortFilterProxyModel {
public:
    explicit ExecutableFilter(QFileDialog* dialog)
        : QSortFilterProxyModel(dialog), dialog_(dialog) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        if (dialog_->selectedNameFilter() != executableFilter())
            return true;
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        const QFileInfo info(index.data(QFileSystemModel::FilePathRole).toString());
        return info.isDir() || info.isExecutable();
    }

public:
    static QString executableFilter() { return QStringLiteral("実行可能ファイル (*)"); }

private:
    QFileDialog* dialog_;
};

} // namespace

CExternalAppSetting::CExternalAppSetting(QWidget* parent)
    : CSettingPage(184, QStringLiteral("外部アプリ"), parent) {
    list_ = named(new QTreeWidget, 1038);
    list_->setHeaderLabels({QStringLiteral("アプリ名"), QStringLiteral("場所")});
    list_->setColumnWidth(0, 100);
    list_->setColumnWidth(1, 240);
    list_->setRootIsDecorated(false);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setAllColumnsShowFocus(true);
    list_->setIconSize(QSize(16, 16));

    auto* add = named(new QPushButton(QStringLiteral("新規登録...")), 1042);
    auto* remove = named(new QPushButton(QStringLiteral("削除")), 1041);
    auto* up = named(new QPushButton(QStringLiteral("↑")), 1039);
    auto* down = named(new QPushButton(QStringLiteral("↓")), 1040);
    for (QPushButton* b : {add, remove, up, down})
        b->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &CExternalAppSetting::onAdd);
    connect(remove, &QPushButton::clicked, this, &CExternalAppSetting::onRemove);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, up, down})
        buttons->addWidget(b);
    buttons->addStretch();
    auto* body = new QHBoxLayout;
    body->addWidget(list_, 1);
    body->addLayout(buttons);

    auto* page = new QVBoxLayout(this);
    page->addWidget(new QLabel(QStringLiteral("登録されている外部アプリケーション：")));
    page->addLayout(body);
    page->addWidget(new QLabel(QStringLiteral(
        "※サムネイルのSHIT+ダブルクリック時には一番上のアプリでファイルを開きます")));
}

void CExternalAppSetting::addApplication(const QString& path) {
    const QFileInfo info(path);
    QString folder = info.path();
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    auto* item = new QTreeWidgetItem(list_, {info.fileName(), folder});
    static const QFileIconProvider icons;
    QIcon icon = icons.icon(info);
    if (icon.isNull()) // a program that is gone gets the plain file icon
        icon = icons.icon(QFileIconProvider::File);
    item->setIcon(0, icon);
}

void CExternalAppSetting::OnInitDialog() {
    list_->clear();
    for (const QString& path : AppList)
        addApplication(path);
}

void CExternalAppSetting::onAdd() {
    QFileDialog dialog(this);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setProxyModel(new ExecutableFilter(&dialog));
    dialog.setNameFilters(
        {ExecutableFilter::executableFilter(), QStringLiteral("すべてのファイル(*)")});
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog] {
        if (auto* proxy = qobject_cast<QSortFilterProxyModel*>(dialog.proxyModel()))
            proxy->invalidate();
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    addApplication(dialog.selectedFiles().first());
}

void CExternalAppSetting::onRemove() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected())
        return;
    const auto answer = QMessageBox::question(
        this, QStringLiteral("Lumora"),
        QStringLiteral("｢%1｣を登録リストから削除します。\nよろしいですか？").arg(item->text(0)),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    if (answer == QMessageBox::Yes)
        delete item;
}

void CExternalAppSetting::moveSelected(int delta) {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected())
        return;
    const int from = list_->indexOfTopLevelItem(item);
    const int to = from + delta;
    if (from < 0 || to < 0 || to >= list_->topLevelItemCount())
        return;
    list_->takeTopLevelItem(from);
    list_->insertTopLevelItem(to, item);
    list_->setCurrentItem(item);
    item->setSelected(true);
}

bool CExternalAppSetting::validate() {
    AppList.clear();
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = list_->topLevelItem(i);
        AppList.append(item->text(1) + QLatin1Char('/') + item->text(0));
    }
    return true;
}

} // namespace lumora
