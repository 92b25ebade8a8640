#include "util/json/Map.h"

namespace tavrix {

Map::Map(MemoryParam* memParam)
    : Value(memParam), map(new (memParam) LDMap<LDString, Value*>(memParam)), keys(nullptr)
{
}

Map::~Map()
{
    if (map) {
        for (LDMap<LDString, Value*>::Pair& pair : *map) release(pair.value);
    }
    delete map;
    delete keys;
}

bool Map::put(const LDString& key, Value* value)
{
    return store(map ? map->find(key) : nullptr, value);
}

bool Map::putAt(int position, const LDString& key, Value* value)
{
    Value** slot = nullptr;
    if (map && position < 0) slot = map->append(key);
    else if (map && position < map->size()) slot = &map->begin()[position].value;
    return store(slot, value);
}

bool Map::store(Value** slot, Value* value)
{
    if (!slot) {
        release(value);
        return false;
    }
    if (*slot != value) release(*slot);
    *slot = value;
    delete keys;
    keys = nullptr;
    return true;
}

LDString Map::toString(const LDString&, const LDString& indent)
{
    LDString inner = indent + "\t";
    LDString text = indent + "{\n";
    if (map) {
        for (LDMap<LDString, Value*>::Pair& pair : *map) {
            text += inner;
            text += pair.key;
            text += " : ";
            text += pair.value ? pair.value->toString(inner, LDString()) : NULL_VALUE->toString();
            text += "\n";
        }
    }
    text += indent;
    text += "}\n";
    return text;
}

Value& Map::operator[](const LDString& key)
{
    if (map) {
        for (LDMap<LDString, Value*>::Pair& pair : *map) {
            if (pair.key == key) return pair.value ? *pair.value : *NULL_VALUE;
        }
    }
    return *NULL_VALUE;
}

LDVector<LDString>& Map::getKeys()
{
    if (!keys && map) {
        keys = new (memoryParam) LDVector<LDString>(memoryParam);
        if (!keys) return Value::getKeys();
        for (LDMap<LDString, Value*>::Pair& pair : *map) keys->push_back(pair.key);
    }
    return keys ? *keys : Value::getKeys();
}

} // namespace tavrix
