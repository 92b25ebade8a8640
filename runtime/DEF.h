#pragma once

namespace tavrix {

// Tolerances shared by the evaluation code.
class DEF {
public:
    // A parameter value this close to a pivot lies on that pivot.
    static constexpr float GOSA = 0.0001f;
};

} // namespace tavrix
