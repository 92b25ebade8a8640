#pragma once

#include <cstdint>

#include "memory/LDObject.h"
#include "physics/PhysicsPoint.h"
#include "type/LDVector.h"

namespace tavrix {

class ATavrixModel;
class IPhysicsSrc;
class IPhysicsTarget;
class MemoryHolderFixed;
class MemoryParam;

// One swinging strand as a two-point pendulum: the root (p1) follows model
// parameters, the hanging point (p2) swings under gravity and air
// resistance, and the strand's angle drives other parameters. Call update
// once per frame before the model's update.
class PhysicsHair : public LDObject {
public:
    static constexpr int SRC_TO_X = 0;
    static constexpr int SRC_TO_Y = 1;
    static constexpr int SRC_TO_G_ANGLE = 2;
    static constexpr int TARGET_FROM_ANGLE = 0;
    static constexpr int TARGET_FROM_ANGLE_V = 1;

    // Length 0.3, air resistance 0.5, mass 0.1.
    PhysicsHair();
    PhysicsHair(float baseLengthM, float airResistance, float mass);
    virtual ~PhysicsHair();

    // A length or mass of 0 or less (or NaN) is refused with a message and
    // the previous value kept.
    void setup(float baseLengthM, float airResistance, float mass);
    void setup();

    // paramName is kept, not copied: it must outlive the hair.
    void addSrcParam(int srcType, const char* paramName, float scale, float weight);
    void addTargetParam(int targetType, const char* paramName, float scale, float weight);

    // The first call only records the time and the strand length.
    void update(ATavrixModel* model, int64_t timeMSec);

    PhysicsPoint& getPhysicsPoint1() { return p1; }
    PhysicsPoint& getPhysicsPoint2() { return p2; }
    float getGravityAngleDeg() const { return gravityAngleDeg; }
    void setGravityAngleDeg(float deg) { gravityAngleDeg = deg; }
    float getAngleP1toP2Deg() const { return angleP1toP2; }
    float getAngleP1toP2Deg_velocity() const { return angleP1toP2Velocity; }
    float getBaseLengthM() const { return baseLengthM; }
    float getAirResistance() const { return airResistance; }

    PhysicsHair(const PhysicsHair&) = delete;
    PhysicsHair& operator=(const PhysicsHair&) = delete;

private:
    void init(const char* holderName);
    float calc_angleP1toP2();
    void update_exe(ATavrixModel* model, float dt);

    PhysicsPoint p1;
    PhysicsPoint p2;
    float baseLengthM;
    float gravityAngleDeg;
    float airResistance;
    float angleP1toP2;
    float lastAngle;
    float angleP1toP2Velocity;
    // The first update is tracked by started, so that time 0 is a real time.
    bool started;
    int64_t startTime;
    int64_t lastTime;
    LDVector<IPhysicsSrc*>* srcList;
    LDVector<IPhysicsTarget*>* targetList;
    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolder;
};

} // namespace tavrix
