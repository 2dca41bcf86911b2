#include "app/StatusTexts.h"

namespace lumora {

QString selectionStatusText(int selectedCount) {
    return QStringLiteral("%1個のオブジェクトを選択").arg(selectedCount);
}

std::optional<QString> phaseStatusText(std::intptr_t phase) {
    switch (phase) {
    case 0:
        return QString();
    case 1:
        return QStringLiteral("イメージオブジェクトをサーチしています...");
    case 2:
        return QStringLiteral("イメージをソートしています...");
    case 3:
        return QStringLiteral("サムネイルを生成しています...");
    default:
        return std::nullopt;
    }
}

QString progressStatusText(int done, int total) {
    return done == total ? QString() : QStringLiteral("EXIF scanning...");
}

QString clipboardStatusText(std::uint32_t dropEffect, int fileCount, const QString& firstPath) {
    const char* effect = (dropEffect & 1) ? "Copied" : ((dropEffect & 2) ? "Cut" : "Unknown");
    return QStringLiteral("%1(%2)： %3").arg(QLatin1String(effect)).arg(fileCount).arg(firstPath);
}

QString countStatusText(std::intptr_t count) {
    if (count == -1)
        return QStringLiteral("---個のオブジェクト");
    return QStringLiteral("%1個のオブジェクト").arg(static_cast<long long>(count));
}

QString countStatusText(std::intptr_t count, int hidden) {
    if (count < 0 || hidden <= 0)
        return countStatusText(count);
    return QStringLiteral("全%1個中%2個のオブジェクト")
        .arg(static_cast<long long>(count) + hidden)
        .arg(static_cast<long long>(count));
}

} // namespace lumora
