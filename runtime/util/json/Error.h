#pragma once

#include "util/json/String.h"

namespace tavrix {

// An error in place of a value; its text is the message.
class Error : public String {
public:
    Error(MemoryParam* memParam, const LDString& message, bool isStatic)
        : String(memParam, message), staticFlag(isStatic)
    {
    }
    virtual ~Error() {}

    virtual bool isError() { return true; }
    virtual bool isStatic() { return staticFlag; }
    virtual Value* setError_notForClientCall(const char* message)
    {
        value = message;
        return this;
    }

private:
    bool staticFlag;
};

} // namespace tavrix
