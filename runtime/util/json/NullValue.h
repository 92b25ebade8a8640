#pragma once

#include "util/json/Value.h"

namespace tavrix {

// JSON null. Never deleted by containers.
class NullValue : public Value {
public:
    explicit NullValue(MemoryParam* memParam) : Value(memParam) {}
    virtual ~NullValue() {}

    virtual LDString toString(const LDString& = LDString(), const LDString& = LDString())
    {
        return LDString("NullValue");
    }
    virtual bool isNull() { return true; }
    virtual bool isStatic() { return true; }
};

} // namespace tavrix
