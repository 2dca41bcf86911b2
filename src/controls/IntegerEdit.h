// An edit box for an integer with an up-down control as its buddy, and the
// dialogs' check of such a field.
//
// The edit accepts any text while the user types; the up-down buttons and
// the Up/Down keys step the value inside their range. Whether the text is an
// integer inside the field's range is checked when the dialog leaves the
// page or is confirmed (validateInteger), which shows the standard message,
// focuses the field and selects its text when it is not.
//
// GUI thread only; the widgets are owned by their Qt parent.
#pragma once

#include <QLineEdit>
#include <QWidget>

#include <optional>

class QToolButton;

namespace lumora {

// "整数を入力してください。" and "%1 から %2 までの整数を入力してください。"
QString integerParseMessage();
QString integerRangeMessage(int minimum, int maximum);

// The integer of `text` (blanks around it allowed, a sign allowed), or
// nullopt for anything else.
std::optional<int> parseInteger(const QString& text);

// Checks `edit`: on success stores the value in `out` and returns true;
// otherwise shows the standard message (caption "Lumora") over `edit`'s
// window, focuses the edit, selects its text and returns false.
bool validateInteger(QLineEdit* edit, int minimum, int maximum, int& out);

class CUpDownEdit : public QWidget {
    Q_OBJECT
public:
    // The edit is named "id<editId>", the buttons "id<spinId>up" / "id<spinId>down".
    CUpDownEdit(int editId, int spinId, QWidget* parent = nullptr);

    QLineEdit* edit() const { return edit_; }
    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    void setValue(int v);
    // Steps the shown value by `delta` inside the range (a text that is not
    // a number steps from the lower end).
    void step(int delta);

signals:
    void textChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* edit_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
};

} // namespace lumora
