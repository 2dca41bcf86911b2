#include "app/AboutDlg.h"

#include "app/Commands.h"
#include "resources/ToolIcons.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace lumora {

QUrl homePageUrl() {
    if (kHomePageAddress[0] != '\0')
        return QUrl(QString::fromUtf8(kHomePageAddress));
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/README.md"),
                                     dir + QStringLiteral("/../share/doc/lumora/README.md"),
                                     dir + QStringLiteral("/../README.md")}) {
        if (QFileInfo(candidate).isFile())
            return QUrl::fromLocalFile(QDir::cleanPath(candidate));
    }
    return QUrl::fromLocalFile(dir + QStringLiteral("/README.md"));
}

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutDlg%1").arg(kTemplateId));
    setWindowTitle(QStringLiteral("Lumora のバージョン情報"));
    auto* icon = new QLabel(this);
    icon->setPixmap(applicationIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    for (const char* line :
         {"High Performance Image Viewer for Digital Camera", "Lumora Version 2.60",
          "This program uses libjpeg, libtiff and zlib."}) {
        auto* label = new QLabel(QString::fromUtf8(line), this);
        texts->addWidget(label);
    }
    auto* link = new QLabel(this);
    link->setObjectName(QStringLiteral("HomePageLink"));
    link->setText(QStringLiteral("<a href=\"%1\">%2</a>")
                      .arg(homePageUrl().toString(QUrl::FullyEncoded),
                           QStringLiteral("VELINのホームページ")));
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    texts->addWidget(link);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(texts, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons);
}

} // namespace lumora
