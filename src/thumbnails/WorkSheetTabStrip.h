// The tab strip under the thumbnail views: tab 0 is the folder tab, tabs 1
// and up are worksheets. Each tab shows "name(count)", the default worksheet
// "[D]：name(count)"; scroll buttons appear when the tabs overflow.
//
// The strip only shows what its owner (the list container) tells it: which
// tab is current is the owner's decision, made when the strip reports a tab
// the user picked (tabPicked). ShowSelected changes the selected look only,
// for drop feedback and when the owner switches tabs itself.
//
// Double-clicking the selected worksheet tab (never the folder tab) opens an
// in-place edit of its name; Return or leaving the edit keeps the new name,
// Escape drops it.
//
// Drops: AttachDropTarget gives the strip a CFileDropTarget whose messages
// go to the owner; TabUnderDrag tells which tab the pointer is over.
//
// GUI thread only.
#pragma once

#include <QPointer>
#include <QTabBar>

#include <vector>

#include <QLineEdit>

namespace lumora {

class CFileDropTarget;

class CWorkSheetTabStrip : public QTabBar {
    Q_OBJECT
public:
    explicit CWorkSheetTabStrip(QWidget* parent = nullptr, int id = 1020);

    static QString Label(const QString& name, int count, bool isDefault);

    int AddSheetTab(const QString& name); // appends; returns the index
    void RemoveSheetTab(int index);
    QString Name(int index) const;
    void SetName(int index, const QString& name);
    int ItemCount(int index) const;
    void SetItemCount(int index, int count);
    // Marks tab index as the default worksheet; 0 (or any index < 1) marks none.
    void SetDefaultMark(int index);
    int DefaultMark() const { return default_; }

    // Shows tab index selected without reporting it as picked.
    void ShowSelected(int index);

    void AttachDropTarget(QObject* window);
    // The tab under the pointer during a drag (-1 over none).
    int TabUnderDrag() const;

    void BeginRename(int index);
    QLineEdit* renameEdit() const { return edit_; }
    int renameIndex() const { return editIndex_; }

signals:
    void tabPicked(int index);
    void renamed(int index);

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    struct TabData {
        QString name;
        int count = 0;
    };
    void relabel(int index);
    void endRename(bool keep);

    const int id_;
    std::vector<TabData> tabs_;
    int default_ = 0;
    bool quiet_ = false;
    QPointer<QLineEdit> edit_;
    int editIndex_ = -1;
    QPoint dragPos_{-1, -1};
    bool dragInside_ = false;
    CFileDropTarget* dropTarget_ = nullptr;
};

} // namespace lumora
