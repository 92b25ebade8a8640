#pragma once

#include "memory/LDObject.h"
#include "type/LDMap.h"
#include "type/LDString.h"
#include "type/LDVector.h"

namespace tavrix {

class MemoryParam;

// A node of the runtime's JSON tree. Accessors never fail: asking a value
// for something its kind does not have gives the shared error value (test
// with isError) or the shared null value (isNull).
class Value : public LDObject {
public:
    explicit Value(MemoryParam* memParam) : memoryParam(memParam), cStrText(nullptr) {}
    virtual ~Value();

    // The text of the value; a container puts indent before its brackets
    // and one more tab before each member. The first argument is not used.
    virtual LDString toString(const LDString& defaultV = LDString(), const LDString& indent = LDString()) = 0;
    // toString's text, kept by this value until its next c_str or its end.
    virtual const char* c_str(const LDString& defaultV = LDString(), const LDString& indent = LDString());
    virtual int toInt(int defaultV = 0) { return defaultV; }
    virtual double toDouble(double defaultV = 0.0) { return defaultV; }
    virtual bool toBoolean(bool defaultV = false) { return defaultV; }
    virtual int size() { return 0; }
    virtual LDVector<Value*>* getVector(LDVector<Value*>* defaultV = nullptr) { return defaultV; }
    virtual LDMap<LDString, Value*>* getMap(LDMap<LDString, Value*>* defaultV = nullptr) { return defaultV; }
    virtual Value& operator[](int index);
    virtual Value& operator[](const LDString& key);
    virtual LDVector<LDString>& getKeys() { return *emptyKeys; }
    virtual bool isError() { return false; }
    virtual bool isNull() { return false; }
    virtual bool isBool() { return false; }
    virtual bool isDouble() { return false; }
    virtual bool isString() { return false; }
    virtual bool isArray() { return false; }
    virtual bool isMap() { return false; }
    virtual bool equals(const LDString&) { return false; }
    virtual bool equals(const char*) { return false; }
    virtual bool equals(int) { return false; }
    virtual bool equals(double) { return false; }
    virtual bool equals(bool) { return false; }
    // Shared values are never deleted by the containers holding them.
    virtual bool isStatic() { return false; }
    virtual Value* setError_notForClientCall(const char* message);

    Value& operator[](const char* key) { return (*this)[LDString(key)]; }

    // The shared values; init before any parse, release after the last.
    static void staticInit_notForClientCall();
    static void staticRelease_notForClientCall();
    // The shared error value with its message set to message.
    static Value& typeMismatch();

    static Value* ERROR_VALUE;
    static Value* NULL_VALUE;

    Value(const Value&) = delete;
    Value& operator=(const Value&) = delete;

protected:
    // Deletes value unless it is shared.
    static void release(Value* value);

    MemoryParam* memoryParam;

private:
    LDString* cStrText;
    static LDVector<LDString>* emptyKeys;
};

} // namespace tavrix
