#include "util/json/Value.h"

#include "memory/UtMemory.h"
#include "util/json/Boolean.h"
#include "util/json/Error.h"
#include "util/json/NullValue.h"

namespace tavrix {

Value* Value::ERROR_VALUE = nullptr;
Value* Value::NULL_VALUE = nullptr;
LDVector<LDString>* Value::emptyKeys = nullptr;
Boolean* Boolean::TRUE_VALUE = nullptr;
Boolean* Boolean::FALSE_VALUE = nullptr;

Value::~Value()
{
    delete cStrText;
}

const char* Value::c_str(const LDString& defaultV, const LDString& indent)
{
    if (!cStrText) cStrText = new LDString();
    if (!cStrText) return "";
    *cStrText = toString(defaultV, indent);
    return cStrText->c_str();
}

Value& Value::typeMismatch()
{
    return *ERROR_VALUE->setError_notForClientCall("Error:type mismatch");
}

Value& Value::operator[](int)
{
    return typeMismatch();
}

Value& Value::operator[](const LDString&)
{
    return typeMismatch();
}

Value* Value::setError_notForClientCall(const char*)
{
    return ERROR_VALUE;
}

void Value::release(Value* value)
{
    if (value && !value->isStatic()) delete value;
}

void Value::staticInit_notForClientCall()
{
    MemoryParam* memParam = UtMemory::getStaticMemoryParam();
    Boolean::TRUE_VALUE = new (memParam) Boolean(memParam, true);
    Boolean::FALSE_VALUE = new (memParam) Boolean(memParam, false);
    // The error's message changes with every mismatch: its text lives in
    // the temporary memory, where replaced texts are freed.
    ERROR_VALUE = new (memParam) Error(nullptr, LDString("ERROR"), true);
    NULL_VALUE = new (memParam) NullValue(memParam);
    emptyKeys = new (memParam) LDVector<LDString>(memParam);
}

void Value::staticRelease_notForClientCall()
{
    delete Boolean::TRUE_VALUE;
    delete Boolean::FALSE_VALUE;
    delete ERROR_VALUE;
    delete NULL_VALUE;
    delete emptyKeys;
    Boolean::TRUE_VALUE = nullptr;
    Boolean::FALSE_VALUE = nullptr;
    ERROR_VALUE = nullptr;
    NULL_VALUE = nullptr;
    emptyKeys = nullptr;
}

} // namespace tavrix
