// Properties of one or several files and folders: name, location, type,
// size (folder contents totalled in the background), modification and access
// times and permissions. Each value label has an object name ("name",
// "location", "type", "size", "contents", "modified", "accessed",
// "permissions") so that tests can read it.
#pragma once

#include "platform/FolderSizeCounter.h"

#include <QDialog>
#include <QStringList>

class QFormLayout;
class QLabel;

namespace lumora {

class CPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    CPropertiesDialog(const QStringList& paths, QWidget* parent = nullptr);

    // A modeless dialog that deletes itself when closed.
    static CPropertiesDialog* showFor(const QStringList& paths, QWidget* parent);

    bool isCounting() const { return counting_; }

    static QString sizeText(qint64 bytes);

signals:
    void countFinished();

private:
    QLabel* addRow(const QString& caption, const QString& objectName, const QString& value);
    void showTotals(qint64 bytes, qint64 files, qint64 folders, bool final);

    QStringList paths_;
    CFolderSizeCounter counter_;
    QLabel* size_ = nullptr;
    QLabel* contents_ = nullptr;
    bool counting_ = false;
    QFormLayout* form_ = nullptr;
};

} // namespace lumora
