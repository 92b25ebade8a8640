#pragma once

#include "memory/LDObject.h"

namespace tavrix {

// A point mass of the hair pendulum with its motion state and the state of
// the previous step.
class PhysicsPoint : public LDObject {
public:
    PhysicsPoint()
        : mass(1.0f), x(0.0f), y(0.0f), vx(0.0f), vy(0.0f), ax(0.0f), ay(0.0f), fx(0.0f), fy(0.0f), lastX(0.0f),
          lastY(0.0f), lastVX(0.0f), lastVY(0.0f)
    {
    }
    virtual ~PhysicsPoint() {}

    void setupLast()
    {
        lastX = x;
        lastY = y;
        lastVX = vx;
        lastVY = vy;
    }

    float mass;
    float x;
    float y;
    float vx;
    float vy;
    float ax;
    float ay;
    float fx;
    float fy;
    float lastX;
    float lastY;
    float lastVX;
    float lastVY;
};

} // namespace tavrix
