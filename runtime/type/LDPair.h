#pragma once

#include "memory/LDObject.h"
#include "type/LDString.h"

namespace tavrix {

template <class K, class V>
class LDPair : public LDObject {
public:
    explicit LDPair(const LDString& k) : key(k), value() {}
    virtual ~LDPair() {}

    LDString key;
    V value;
};

} // namespace tavrix
