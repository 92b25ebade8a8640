#include "physics/PhysicsHair.h"

#include <cmath>

#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "physics/PhysicsSrc.h"
#include "physics/PhysicsTarget.h"
#include "util/UtDebug.h"
#include "util/UtMath.h"

namespace tavrix {

namespace {

const float PI_F = 3.1415f;
const float DEFAULT_LENGTH = 0.3f;
const float DEFAULT_AIR_RESISTANCE = 0.5f;
const float DEFAULT_MASS = 0.1f;

float distance(const PhysicsPoint& a, const PhysicsPoint& b)
{
    float dx = b.x - a.x;
    float dy = b.y - a.y;
    return std::sqrt(dx * dx + dy * dy);
}

// Appends item, or deletes it when the list cannot take it.
template <class T>
void appendOwned(LDVector<T*>* list, T* item)
{
    if (!item) return;
    int before = list ? list->size() : 0;
    if (list) list->push_back(item);
    if (!list || list->size() == before) delete item;
}

} // namespace

PhysicsHair::PhysicsHair()
{
    init("PhysicsHair-A");
    setup(DEFAULT_LENGTH, DEFAULT_AIR_RESISTANCE, DEFAULT_MASS);
}

PhysicsHair::PhysicsHair(float baseLengthM, float airResistance, float mass)
{
    init("PhysicsHair-B");
    setup(baseLengthM, airResistance, mass);
}

void PhysicsHair::init(const char* holderName)
{
    baseLengthM = DEFAULT_LENGTH;
    gravityAngleDeg = 0.0f;
    airResistance = DEFAULT_AIR_RESISTANCE;
    angleP1toP2 = 0.0f;
    lastAngle = 0.0f;
    angleP1toP2Velocity = 0.0f;
    started = false;
    startTime = 0;
    lastTime = 0;
    srcList = nullptr;
    targetList = nullptr;
    p1.mass = p2.mass = DEFAULT_MASS;

    memoryParam = MemoryParam::newWithFixedHolder(holderName, 1024, memoryHolder);
    if (!memoryParam) return;
    srcList = new (memoryParam) LDVector<IPhysicsSrc*>(memoryParam);
    targetList = new (memoryParam) LDVector<IPhysicsTarget*>(memoryParam);
}

PhysicsHair::~PhysicsHair()
{
    if (srcList) {
        for (int i = srcList->size() - 1; i >= 0; --i) delete (*srcList)[i];
    }
    if (targetList) {
        for (int i = targetList->size() - 1; i >= 0; --i) delete (*targetList)[i];
    }
    delete srcList;
    delete targetList;
    delete memoryParam;
    delete memoryHolder;
}

void PhysicsHair::setup(float baseLengthM, float airResistance, float mass)
{
    // A strand without length or a point without mass would divide by zero.
    if (baseLengthM > 0.0f) {
        this->baseLengthM = baseLengthM;
    } else {
        UtDebug::error("hair length must be above 0 (%f), keeping %f @PhysicsHair#setup()", baseLengthM,
                       this->baseLengthM);
    }
    this->airResistance = airResistance;
    if (mass > 0.0f) {
        p1.mass = p2.mass = mass;
    } else {
        UtDebug::error("hair mass must be above 0 (%f), keeping %f @PhysicsHair#setup()", mass, p2.mass);
    }
    p2.y = this->baseLengthM;
    setup();
}

void PhysicsHair::setup()
{
    lastAngle = calc_angleP1toP2();
    p2.setupLast();
}

void PhysicsHair::addSrcParam(int srcType, const char* paramName, float scale, float weight)
{
    appendOwned<IPhysicsSrc>(srcList, new (memoryParam) PhysicsSrc(srcType, paramName, scale, weight));
}

void PhysicsHair::addTargetParam(int targetType, const char* paramName, float scale, float weight)
{
    appendOwned<IPhysicsTarget>(targetList, new (memoryParam) PhysicsTarget(targetType, paramName, scale, weight));
}

float PhysicsHair::calc_angleP1toP2()
{
    double dx = p1.x - p2.x;
    double dy = -(p1.y - p2.y);
    return static_cast<float>(-180.0 * std::atan2(dx, dy) / PI_F);
}

void PhysicsHair::update(ATavrixModel* model, int64_t timeMSec)
{
    if (!started) {
        started = true;
        startTime = lastTime = timeMSec;
        baseLengthM = distance(p1, p2);
        return;
    }

    float dt = static_cast<float>(timeMSec - lastTime) / 1000.0f;
    if (dt != 0.0f) {
        if (srcList) {
            for (int i = srcList->size() - 1; i >= 0; --i) (*srcList)[i]->updateSrc(model, this);
        }
        update_exe(model, dt);
        angleP1toP2 = calc_angleP1toP2();
        angleP1toP2Velocity = (angleP1toP2 - lastAngle) / dt;
        lastAngle = angleP1toP2;
    }
    if (targetList) {
        for (int i = targetList->size() - 1; i >= 0; --i) (*targetList)[i]->updateTarget(model, this);
    }
    lastTime = timeMSec;
}

void PhysicsHair::update_exe(ATavrixModel*, float dt)
{
    float inv = 1.0f / dt;

    p1.vx = (p1.x - p1.lastX) * inv;
    p1.vy = (p1.y - p1.lastY) * inv;
    p1.ax = (p1.vx - p1.lastVX) * inv;
    p1.ay = (p1.vy - p1.lastVY) * inv;
    p1.fx = p1.ax * p1.mass;
    p1.fy = p1.ay * p1.mass;
    p1.setupLast();

    float r = -std::atan2(p1.y - p2.y, p1.x - p2.x);
    float c = std::cos(r);
    float s = std::sin(r);
    float g = 9.8f * p2.mass * std::cos(r - gravityAngleDeg * UtMath::DEG_TO_RAD_F);

    p2.fx = g * s - p1.fx * s * s - p2.vx * airResistance;
    p2.fy = g * c - p1.fy * s * c - p2.vy * airResistance;
    p2.ax = p2.fx / p2.mass;
    p2.ay = p2.fy / p2.mass;
    p2.vx += p2.ax * dt;
    p2.vy += p2.ay * dt;
    p2.x += p2.vx * dt;
    p2.y += p2.vy * dt;

    // Back to the strand's length. Where the direction is lost (the points
    // meet, or the step overflowed) the hanging point stays where it was.
    float d = distance(p1, p2);
    if (d > 0.0f && std::isfinite(d)) {
        p2.x = p1.x + baseLengthM * (p2.x - p1.x) / d;
        p2.y = p1.y + baseLengthM * (p2.y - p1.y) / d;
    } else {
        p2.x = p2.lastX;
        p2.y = p2.lastY;
    }

    p2.vx = (p2.x - p2.lastX) * inv;
    p2.vy = (p2.y - p2.lastY) * inv;
    p2.setupLast();
}

} // namespace tavrix
