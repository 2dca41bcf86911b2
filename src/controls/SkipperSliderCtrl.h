// CSkipperSliderCtrl: a horizontal slider whose thumb jumps to the clicked
// position (and can be dragged on from there) and that never keeps the
// keyboard focus: focus given to it goes straight back to where it was.
// GUI thread only; owned by its Qt parent.
#pragma once

#include <QSlider>

namespace lumora {

class CSkipperSliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CSkipperSliderCtrl(QWidget* parent = nullptr, int id = 5500);
    int id() const { return id_; }

protected:
    void focusInEvent(QFocusEvent* e) override;

private:
    int id_;
};

} // namespace lumora
