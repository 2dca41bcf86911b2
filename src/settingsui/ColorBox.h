// A push button that shows a colour and lets the user choose another.
//
// The face is filled with the colour inside the system's button frame, with
// a focus rectangle when focused and a checkered face when disabled. A click
// opens the colour chooser on the current colour; a different confirmed
// colour replaces it and colorChanged is emitted.
//
// GUI thread only.
#pragma once

#include <QColor>
#include <QPushButton>

namespace lumora {

class CColorBox : public QPushButton {
    Q_OBJECT
public:
    explicit CColorBox(int id, QWidget* parent = nullptr);

    QColor color() const { return color_; }
    void setColor(const QColor& c);
    // Opens the chooser (what a click does); true when the colour changed.
    bool chooseColor();

    QSize sizeHint() const override { return {48, 22}; }

signals:
    void colorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::black;
};

} // namespace lumora
