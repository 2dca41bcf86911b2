// The settings sheet "アプリケーションのプロパティ": six pages, OK and
// Cancel.
//
// Use (the main window, command 32937):
//   dlg.LoadPages(settings);           // copies into every page
//   if (dlg.DoModal() == QDialog::Accepted) {
//       const bool rebuild = dlg.StorePages(settings);  // initialised pages only
//       save the settings, then ApplySettings(rebuild);
//   }
// The sheet is created once and reused; each DoModal starts at the first
// page with every page uninitialised. Leaving a page and OK validate the
// page; a failed check keeps it open with the field focused.
//
// GUI thread only.
#pragma once

#include "settings/AppSettings.h"

#include <QDialog>

#include <array>

class QDialogButtonBox;
class QTabWidget;

namespace lumora {

class CSettingPage;
class CGeneralSetting;
class CDisplaySetting;
class CColorSetting;
class CPreviewSetting;
class CCustomSetting;
class CExternalAppSetting;

class CAppSettingDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAppSettingDlg(QWidget* parent = nullptr);

    void LoadPages(const AppSettings& settings);
    // Shows the sheet modally from the first page.
    int DoModal();
    // Copies the initialised pages into `settings`; true when the thumbnails
    // must be rebuilt (MiscKind changed; SizeLimitterSize changed while the
    // limiter is on; AutoRotate changed; the custom size changed while it is
    // the size in use).
    bool StorePages(AppSettings& settings) const;

    // For modeless use and tests: starts a run as DoModal does, without
    // entering a loop (show() displays it).
    void beginRun();

    QTabWidget* sheet() const { return tabs_; }
    QDialogButtonBox* buttons() const { return buttons_; }
    CGeneralSetting* general() const { return general_; }
    CDisplaySetting* display() const { return display_; }
    CColorSetting* colors() const { return color_; }
    CPreviewSetting* preview() const { return preview_; }
    CCustomSetting* custom() const { return custom_; }
    CExternalAppSetting* externalApps() const { return external_; }
    CSettingPage* page(int index) const { return pages_[std::size_t(index)]; }

public slots:
    void accept() override;
    void reject() override;

private:
    void pageChanged(int index);

    QTabWidget* tabs_;
    QDialogButtonBox* buttons_;
    CGeneralSetting* general_;
    CDisplaySetting* display_;
    CColorSetting* color_;
    CPreviewSetting* preview_;
    CCustomSetting* custom_;
    CExternalAppSetting* external_;
    std::array<CSettingPage*, 6> pages_{};
    int current_ = 0;
    bool reverting_ = false;
};

} // namespace lumora
