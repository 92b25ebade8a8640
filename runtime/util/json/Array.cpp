#include "util/json/Array.h"

namespace tavrix {

Array::Array(MemoryParam* memParam) : Value(memParam), values(new (memParam) LDVector<Value*>(memParam)) {}

Array::~Array()
{
    if (values) {
        for (int i = values->size() - 1; i >= 0; --i) release((*values)[i]);
    }
    delete values;
}

bool Array::add(Value* value)
{
    int before = size();
    if (values) values->push_back(value);
    if (size() > before) return true;
    release(value);
    return false;
}

LDString Array::toString(const LDString&, const LDString& indent)
{
    LDString inner = indent + "\t";
    LDString text = indent + "[\n";
    for (int i = 0; i < size(); ++i) {
        Value* member = (*values)[i];
        text += inner;
        text += member ? member->toString(inner, LDString()) : NULL_VALUE->toString();
        text += "\n";
    }
    text += indent;
    text += "]\n";
    return text;
}

Value& Array::operator[](int index)
{
    if (index < 0 || index >= size()) return *ERROR_VALUE->setError_notForClientCall("Error:index out of bounds");
    Value* member = (*values)[index];
    return member ? *member : *NULL_VALUE;
}

} // namespace tavrix
