#pragma once

#include "util/json/Value.h"

namespace tavrix {

// A JSON number.
class Double : public Value {
public:
    Double(MemoryParam* memParam, double value) : Value(memParam), value(value) {}
    virtual ~Double() {}

    // "%f".
    virtual LDString toString(const LDString& = LDString(), const LDString& = LDString());
    // Truncated; saturates at the int range.
    virtual int toInt(int defaultV = 0);
    virtual double toDouble(double = 0.0) { return value; }
    virtual bool isDouble() { return true; }
    virtual bool equals(double other) { return value == other; }
    using Value::equals;

private:
    double value;
};

} // namespace tavrix
