#pragma once

#include "util/json/Value.h"

namespace tavrix {

// A JSON string.
class String : public Value {
public:
    String(MemoryParam* memParam, const LDString& text) : Value(memParam), value(text, memParam) {}
    virtual ~String() {}

    virtual LDString toString(const LDString& = LDString(), const LDString& = LDString()) { return value; }
    virtual bool isString() { return true; }
    virtual bool equals(const LDString& text) { return value == text; }
    virtual bool equals(const char* text) { return value == text; }
    using Value::equals;

protected:
    LDString value;
};

} // namespace tavrix
