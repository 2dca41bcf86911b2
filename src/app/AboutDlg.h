// About dialog 100 and the maker's home page.
#pragma once

#include <QDialog>
#include <QUrl>

namespace lumora {

// kHomePageAddress when set, else the README that ships beside the program.
QUrl homePageUrl();

class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTemplateId = 100;
    explicit CAboutDlg(QWidget* parent = nullptr);
};

} // namespace lumora
