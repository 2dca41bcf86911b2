// CSkipperSliderCtrl: a horizontal slider whose thumb jumps to the clicked
// position (and can be dragged on from there) and that never keeps the
// keyboard focus: focus given to it goes straight back to where it was.
// The wheel moves it one position per whole notch (a touchpad's small
// deltas add up), towards the user forward, and says so with wheelStepped.
// GUI thread only; owned by its Qt parent.
#pragma once

#include "controls/WheelSteps.h"

#include <QSlider>

namespace lumora {

class CSkipperSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CSkipperSliderCtrl(QWidget* parent = nullptr, int id = 5500);
    int id() const { return id_; }

signals:
    // The wheel moved the thumb to value.
    void wheelStepped(int value);

protected:
    void focusInEvent(QFocusEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    int id_;
    CWheelSteps wheel_;
};

} // namespace lumora
