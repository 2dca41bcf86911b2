#include "platform/PropertiesDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace lumora {

namespace {

QString typeText(const QFileInfo& info) {
    if (info.isSymLink())
        return info.isDir() ? QStringLiteral("フォルダへのリンク") : QStringLiteral("リンク");
    if (info.isDir())
        return QStringLiteral("フォルダ");
    const QString suffix = info.suffix();
    if (suffix.isEmpty())
        return QStringLiteral("ファイル");
    return QStringLiteral("%1 ファイル").arg(suffix.toUpper());
}

QString timeText(const QDateTime& time) {
    if (!time.isValid())
        return QStringLiteral("--");
    return time.toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
}

QString permissionText(const QFileInfo& info) {
    const QFileDevice::Permissions p = info.permissions();
    auto bits = [&](QFileDevice::Permission r, QFileDevice::Permission w,
                    QFileDevice::Permission x) {
        QString s;
        s += p.testFlag(r) ? QLatin1Char('r') : QLatin1Char('-');
        s += p.testFlag(w) ? QLatin1Char('w') : QLatin1Char('-');
        s += p.testFlag(x) ? QLatin1Char('x') : QLatin1Char('-');
        return s;
    };
    QString text = (info.isDir() ? QStringLiteral("d") : QStringLiteral("-")) +
                   bits(QFileDevice::ReadOwner, QFileDevice::WriteOwner, QFileDevice::ExeOwner) +
                   bits(QFileDevice::ReadGroup, QFileDevice::WriteGroup, QFileDevice::ExeGroup) +
                   bits(QFileDevice::ReadOther, QFileDevice::WriteOther, QFileDevice::ExeOther);
    return QStringLiteral("%1  所有者: %2  グループ: %3").arg(text, info.owner(), info.group());
}

} // namespace

QString CPropertiesDialog::sizeText(qint64 bytes) {
    const QLocale c = QLocale::c();
    QString grouped = c.toString(bytes);
    QString shortText;
    if (bytes < 1024)
        shortText = QStringLiteral("%1 バイト").arg(bytes);
    else if (bytes < 1024 * 1024)
        shortText = QStringLiteral("%1 KB").arg(bytes / 1024.0, 0, 'f', 1);
    else if (bytes < 1024LL * 1024 * 1024)
        shortText = QStringLiteral("%1 MB").arg(bytes / (1024.0 * 1024.0), 0, 'f', 1);
    else
        shortText = QStringLiteral("%1 GB").arg(bytes / (1024.0 * 1024.0 * 1024.0), 0, 'f', 2);
    return QStringLiteral("%1 (%2 バイト)").arg(shortText, grouped);
}

CPropertiesDialog::CPropertiesDialog(const QStringList& paths, QWidget* parent)
    : QDialog(parent), paths_(paths) {
    auto* layout = new QVBoxLayout(this);
    form_ = new QFormLayout;
    layout->addLayout(form_);

    const QFileInfo first(paths.value(0));
    const bool single = paths.size() == 1;
    setWindowTitle(single ? QStringLiteral("%1のプロパティ").arg(first.fileName())
                          : QStringLiteral("%1 個の項目のプロパティ").arg(paths.size()));

    QString location = first.absolutePath();
    QString type = typeText(first);
    bool anyFolder = false;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        anyFolder |= info.isDir() && !info.isSymLink();
        if (info.absolutePath() != location)
            location = QStringLiteral("複数のフォルダ");
        if (typeText(info) != type)
            type = QStringLiteral("複数の種類");
    }

    addRow(QStringLiteral("名前:"), QStringLiteral("name"),
           single ? first.fileName() : QStringLiteral("%1 個の項目").arg(paths.size()));
    addRow(QStringLiteral("場所:"), QStringLiteral("location"), QDir::toNativeSeparators(location));
    addRow(QStringLiteral("種類:"), QStringLiteral("type"), type);
    size_ = addRow(QStringLiteral("サイズ:"), QStringLiteral("size"), QString());
    if (anyFolder)
        contents_ = addRow(QStringLiteral("内容:"), QStringLiteral("contents"), QString());
    if (single) {
        addRow(QStringLiteral("更新日時:"), QStringLiteral("modified"),
               timeText(first.lastModified()));
        addRow(QStringLiteral("アクセス日時:"), QStringLiteral("accessed"),
               timeText(first.lastRead()));
        addRow(QStringLiteral("アクセス許可:"), QStringLiteral("permissions"),
               permissionText(first));
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);

    connect(&counter_, &CFolderSizeCounter::progress, this,
            [this](qint64 b, qint64 f, qint64 d) { showTotals(b, f, d, false); });
    connect(&counter_, &CFolderSizeCounter::finished, this,
            [this](qint64 b, qint64 f, qint64 d) { showTotals(b, f, d, true); });
    counting_ = true;
    size_->setText(QStringLiteral("計算しています..."));
    counter_.start(paths);
}

QLabel* CPropertiesDialog::addRow(const QString& caption, const QString& objectName,
                                  const QString& value) {
    auto* label = new QLabel(value, this);
    label->setObjectName(objectName);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form_->addRow(caption, label);
    return label;
}

void CPropertiesDialog::showTotals(qint64 bytes, qint64 files, qint64 folders, bool final) {
    size_->setText(sizeText(bytes) + (final ? QString() : QStringLiteral(" ...")));
    if (contents_)
        contents_->setText(QStringLiteral("ファイル %1、フォルダ %2").arg(files).arg(folders));
    if (final) {
        counting_ = false;
        emit countFinished();
    }
}

CPropertiesDialog* CPropertiesDialog::showFor(const QStringList& paths, QWidget* parent) {
    if (paths.isEmpty())
        return nullptr;
    auto* dialog = new CPropertiesDialog(paths, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

} // namespace lumora
