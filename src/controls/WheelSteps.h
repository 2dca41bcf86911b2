// CWheelSteps: whole wheel notches out of wheel events of any size. A mouse
// wheel reports one notch as 120 units; a touchpad or a high-resolution
// wheel reports the same turn in many small events. The part of a notch not
// yet turned is kept between events; turning the other way drops it.
//
// A plain value owned by the widget that reads its wheel. GUI thread only.
#pragma once

namespace lumora {

class CWheelSteps {
public:
    static constexpr int kNotch = 120;

    // Adds one event's delta (QWheelEvent::angleDelta().y()); returns the
    // whole notches completed, positive away from the user.
    int add(int delta) {
        if (delta == 0)
            return 0;
        if ((delta > 0) != (remainder_ > 0) && remainder_ != 0)
            remainder_ = 0;
        remainder_ += delta;
        const int notches = remainder_ / kNotch;
        remainder_ -= notches * kNotch;
        return notches;
    }
    void reset() { remainder_ = 0; }
    int remainder() const { return remainder_; }

private:
    int remainder_ = 0;
};

} // namespace lumora
