#pragma once

#include "util/json/Value.h"

namespace tavrix {

// A JSON array; owns its members (except the shared values).
class Array : public Value {
public:
    explicit Array(MemoryParam* memParam);
    virtual ~Array();

    // Takes value; false (and value deleted) when the array cannot grow.
    bool add(Value* value);

    virtual LDString toString(const LDString& defaultV = LDString(), const LDString& indent = LDString());
    virtual int size() { return values ? values->size() : 0; }
    virtual LDVector<Value*>* getVector(LDVector<Value*>* = nullptr) { return values; }
    // The shared error value with "Error:index out of bounds" outside 0 to size - 1.
    virtual Value& operator[](int index);
    virtual Value& operator[](const LDString& key) { return Value::operator[](key); }
    using Value::operator[];
    virtual bool isArray() { return true; }

private:
    LDVector<Value*>* values;
};

} // namespace tavrix
