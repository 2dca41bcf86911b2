// The questions and reports of CShellFileOperation as message boxes with the
// caption "Lumora" (a failed file offers "スキップ", "すべてスキップ" and
// "中止"), and a progress dialog that appears when a copy or move
// takes longer than half a second.
#pragma once

#include "platform/FileOperation.h"

#include <QPointer>
#include <QProgressDialog>
#include <QWidget>

#include <memory>

namespace lumora {

class CFileOperationDialogs : public IFileOperationUi {
public:
    explicit CFileOperationDialogs(QWidget* owner) : owner_(owner) {}
    ~CFileOperationDialogs() override;

    bool confirmDelete(const QStringList& paths, bool toTrash) override;
    bool confirmDeletePermanently(const QString& path) override;
    ReplaceAnswer askReplace(const QString& target, const QString& source) override;
    void reportError(const QString& message) override;
    ErrorAnswer askSkip(const QString& message) override;
    void reportOutcome(const QString& message) override;
    void beginProgress(const QString& title, std::int64_t totalBytes) override;
    bool progress(std::int64_t doneBytes, const QString& currentPath) override;
    void endProgress() override;

private:
    QPointer<QWidget> owner_;
    std::unique_ptr<QProgressDialog> dialog_;
    std::int64_t total_ = 0;
};

} // namespace lumora
