#pragma once

#include "util/json/Value.h"

namespace tavrix {

// A JSON object; keys keep their first-insertion order. Owns its members
// (except the shared values).
class Map : public Value {
public:
    explicit Map(MemoryParam* memParam);
    virtual ~Map();

    // Takes value; a repeated key replaces (and deletes) the earlier value.
    // False (and value deleted) when the map cannot grow.
    bool put(const LDString& key, Value* value);
    // put for a caller that already knows where the key is: position is the
    // key's index in insertion order, or -1 for a key the map lacks.
    bool putAt(int position, const LDString& key, Value* value);

    virtual LDString toString(const LDString& defaultV = LDString(), const LDString& indent = LDString());
    virtual int size() { return map ? map->size() : 0; }
    virtual LDMap<LDString, Value*>* getMap(LDMap<LDString, Value*>* = nullptr) { return map; }
    virtual Value& operator[](int index) { return Value::operator[](index); }
    // The shared null value for a key the map does not hold.
    virtual Value& operator[](const LDString& key);
    using Value::operator[];
    // Built on first use and kept.
    virtual LDVector<LDString>& getKeys();
    virtual bool isMap() { return true; }

private:
    // Puts value into slot (null: the map could not grow).
    bool store(Value** slot, Value* value);

    LDMap<LDString, Value*>* map;
    LDVector<LDString>* keys;
};

} // namespace tavrix
