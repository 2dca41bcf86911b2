// The address box: the folders visited, newest first; Enter in its edit
// field or picking an item hands the text to the folder tree (through
// pathEntered, which the main window connects to SelectByPath).
#pragma once

#include <QComboBox>

class QKeyEvent;

namespace lumora {

class CBrowseCombo : public QComboBox {
    Q_OBJECT
public:
    static constexpr int kControlId = 5001;
    static constexpr int kMaxText = 520;

    explicit CBrowseCombo(QWidget* parent = nullptr);

    // Inserts the path as the first item and makes it the current one
    // (repeats are kept, as visited).
    void AddPath(const QString& path, int iconIndex);

signals:
    void pathEntered(const QString& path);

protected:
    // Keys reach the combo box itself (its edit field passes the focus on to
    // it); keys sent straight to the edit field pass the event filter.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnActivated(int index);
    static bool IsEnterKey(const QKeyEvent* event);

    bool enterPressed_ = false;
};

} // namespace lumora
