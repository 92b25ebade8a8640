#pragma once

#include "util/json/Value.h"

namespace tavrix {

// true or false; only the two shared values exist.
class Boolean : public Value {
public:
    Boolean(MemoryParam* memParam, bool value) : Value(memParam), value(value) {}
    virtual ~Boolean() {}

    virtual LDString toString(const LDString& = LDString(), const LDString& = LDString())
    {
        return LDString(value ? "true" : "false");
    }
    virtual bool toBoolean(bool = false) { return value; }
    virtual bool isBool() { return true; }
    virtual bool equals(bool other) { return value == other; }
    using Value::equals;
    virtual bool isStatic() { return true; }

    static Boolean* TRUE_VALUE;
    static Boolean* FALSE_VALUE;

private:
    bool value;
};

} // namespace tavrix
