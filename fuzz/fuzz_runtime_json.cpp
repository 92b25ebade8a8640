// The runtime's own JSON reader: parse, then visit every value of the tree
// through the accessors a caller uses, and print it back.
#include "FuzzTarget.h"
#include "util/Json.h"

using namespace tavrix;

namespace {

// Deep documents are refused by the reader, so the recursion stays bounded.
void visit(Value& value)
{
    value.toInt();
    value.toDouble();
    value.toBoolean();
    value.equals("a");
    if (LDVector<Value*>* items = value.getVector()) {
        for (int i = 0; i < items->size(); ++i) visit(*(*items)[i]);
        value[items->size()].isError();
    }
    if (value.isMap()) {
        LDVector<LDString>& keys = value.getKeys();
        for (int i = 0; i < keys.size(); ++i) visit(value[keys[i]]);
        value["no such key"].isNull();
    }
    value.c_str();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    tavrix_fuzz::RuntimeForInput runtime;
    Json* json = Json::parseFromBytes(reinterpret_cast<const char*>(data), static_cast<int>(size));
    if (json) {
        visit(json->getRoot());
        // What the reader printed, it reads again.
        LDString text = json->getRoot().toString();
        Json* again = Json::parseFromBytes(text.c_str(), text.length());
        delete again;
    }
    delete json;
    return 0;
}
