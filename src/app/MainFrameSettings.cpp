// The main window's settings sheet (command 32937).
#include "app/MainFrame.h"

#include "settingsui/AppSettingDlg.h"

namespace lumora {

CAppSettingDlg* CMainFrame::appSettingDlg() {
    auto* dlg = findChild<CAppSettingDlg*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dlg)
        dlg = new CAppSettingDlg(this);
    return dlg;
}

bool CMainFrame::OnAppSetting() {
    CAppSettingDlg* dlg = appSettingDlg();
    dlg->LoadPages(settings_);
    if (dlg->DoModal() != QDialog::Accepted)
        return false;
    const bool rebuild = dlg->StorePages(settings_);
    SaveSettings();
    ApplySettings(rebuild);
    return true;
}

} // namespace lumora
