// Texts of the main window's four status panes.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace lumora {

// Pane 0, idle and on a selection change: "%d個のオブジェクトを選択".
QString selectionStatusText(int selectedCount);
// Pane 0 on a phase message: 0 empties the pane, 1 to 3 give their texts,
// other numbers leave the pane as it is (nullopt).
std::optional<QString> phaseStatusText(std::intptr_t phase);
// Pane 1: the progress text while done differs from total.
QString progressStatusText(int done, int total);
// Pane 2: "%s(%d)： %s" of the clipboard's effect, file count and first path
// (already shortened to fit the pane).
QString clipboardStatusText(std::uint32_t dropEffect, int fileCount, const QString& firstPath);
// Pane 3: "%d個のオブジェクト", or "---個のオブジェクト" for -1.
QString countStatusText(std::intptr_t count);
// Pane 3 while a filter hides some items: "全%d個中%d個のオブジェクト";
// the plain text when none is hidden.
QString countStatusText(std::intptr_t count, int hidden);

} // namespace lumora
