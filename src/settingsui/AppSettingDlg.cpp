#include "settingsui/AppSettingDlg.h"

#include "settingsui/SettingPages.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>

namespace lumora {

CAppSettingDlg::CAppSettingDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AppSettingDlg"));
    setWindowTitle(QStringLiteral("アプリケーションのプロパティ"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("sheet"));
    tabs_->setUsesScrollButtons(false); // all six tabs in view
    general_ = new CGeneralSetting;
    display_ = new CDisplaySetting;
    color_ = new CColorSetting;
    preview_ = new CPreviewSetting;
    custom_ = new CCustomSetting;
    external_ = new CExternalAppSetting;
    pages_ = {general_, display_, color_, preview_, custom_, external_};
    for (CSettingPage* p : pages_)
        tabs_->addTab(p, p->title());

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons_, &QDialogButtonBox::accepted, this, &CAppSettingDlg::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CAppSettingDlg::reject);
    connect(tabs_, &QTabWidget::currentChanged, this, &CAppSettingDlg::pageChanged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
}

void CAppSettingDlg::LoadPages(const AppSettings& s) {
    general_->MiscKind = s.MiscKind;
    general_->RawKind = s.RawKind;
    general_->PictureKind = s.PictureKind;
    general_->SizeLimitterSize = s.SizeLimitterSize;
    general_->AutoUpdate = s.AutoUpdate;
    general_->AutoDriveDetect = s.AutoDriveDetect;

    display_->ItemSpace = s.ItemSpace;
    display_->ImageSpace = s.ImageSpace;
    display_->CustomThumbnailSizeHorz = s.CustomThumbnailSizeHorz;
    display_->CustomThumbnailSizeVert = s.CustomThumbnailSizeVert;
    display_->AutoRotate = s.AutoRotate;
    display_->KindIcon = s.KindIcon;
    display_->ProtectIcon = s.ProtectIcon;

    color_->Values = ColorFontValues::from(s);

    preview_->MagMode = s.MagMode;
    preview_->DisplayProfile = s.DisplayProfile;
    preview_->RotateMode = s.RotateMode;
    preview_->PreimageSize = s.PreimageSize;
    preview_->NoMagOnFit = s.NoMagOnFit;
    preview_->FullScreenToolBar = s.FullScreenToolBar;

    custom_->PreviewMouseWheel = s.PreviewMouseWheel;
    custom_->NoSlideShowDlg = s.NoSlideShowDlg;
    custom_->OneKey = s.OneKey;

    external_->AppList = s.AppList;
}

void CAppSettingDlg::beginRun() {
    for (CSettingPage* p : pages_)
        p->beginRun();
    {
        const QSignalBlocker block(tabs_);
        tabs_->setCurrentIndex(0);
    }
    current_ = 0;
    if (tabs_->isVisible())
        pages_[0]->ensureInitialised();
}

int CAppSettingDlg::DoModal() {
    beginRun();
    return exec();
}

void CAppSettingDlg::pageChanged(int index) {
    if (reverting_)
        return;
    CSettingPage* old = current_ >= 0 && current_ < 6 ? pages_[std::size_t(current_)] : nullptr;
    if (old && old != tabs_->widget(index)) {
        old->leavePage();
        if (old->initialised() && !old->validate()) {
            // The check failed: back to the page with the field focused.
            reverting_ = true;
            tabs_->setCurrentIndex(current_);
            reverting_ = false;
            return;
        }
    }
    current_ = index;
}

void CAppSettingDlg::accept() {
    CSettingPage* page = pages_[std::size_t(tabs_->currentIndex())];
    page->leavePage();
    if (page->initialised() && !page->validate())
        return;
    QDialog::accept();
}

void CAppSettingDlg::reject() {
    pages_[std::size_t(tabs_->currentIndex())]->leavePage();
    QDialog::reject();
}

bool CAppSettingDlg::StorePages(AppSettings& s) const {
    bool rebuild = false;
    if (general_->initialised()) {
        if (general_->MiscKind != s.MiscKind || general_->RawKind != s.RawKind ||
            general_->PictureKind != s.PictureKind)
            rebuild = true;
        if (general_->SizeLimitterSize != s.SizeLimitterSize && s.SizeLimitter != 0)
            rebuild = true;
        s.MiscKind = general_->MiscKind;
        s.RawKind = general_->RawKind;
        s.PictureKind = general_->PictureKind;
        s.SizeLimitterSize = general_->SizeLimitterSize;
        s.AutoUpdate = general_->AutoUpdate;
        s.AutoDriveDetect = general_->AutoDriveDetect;
    }
    if (display_->initialised()) {
        if (display_->AutoRotate != s.AutoRotate)
            rebuild = true;
        if ((display_->CustomThumbnailSizeHorz != s.CustomThumbnailSizeHorz ||
             display_->CustomThumbnailSizeVert != s.CustomThumbnailSizeVert) &&
            s.ThumbnailSize == 3)
            rebuild = true;
        s.ItemSpace = display_->ItemSpace;
        s.ImageSpace = display_->ImageSpace;
        s.CustomThumbnailSizeHorz = display_->CustomThumbnailSizeHorz;
        s.CustomThumbnailSizeVert = display_->CustomThumbnailSizeVert;
        s.AutoRotate = display_->AutoRotate;
        s.KindIcon = display_->KindIcon;
        s.ProtectIcon = display_->ProtectIcon;
    }
    if (color_->initialised())
        color_->Values.storeTo(s);
    if (preview_->initialised()) {
        s.MagMode = preview_->MagMode;
        s.DisplayProfile = preview_->DisplayProfile;
        s.RotateMode = preview_->RotateMode;
        s.PreimageSize = preview_->PreimageSize;
        s.NoMagOnFit = preview_->NoMagOnFit;
        s.FullScreenToolBar = preview_->FullScreenToolBar;
    }
    if (custom_->initialised()) {
        s.PreviewMouseWheel = custom_->PreviewMouseWheel;
        s.NoSlideShowDlg = custom_->NoSlideShowDlg;
        s.OneKey = custom_->OneKey;
    }
    if (external_->initialised()) {
        s.AppList = external_->AppList;
        s.AppCount = static_cast<std::int32_t>(s.AppList.size());
    }
    return rebuild;
}

} // namespace lumora
