#pragma once

#include "memory/LDObject.h"

namespace tavrix {

// A table of row pointers; it neither owns nor frees the rows.
class Arrays2D : public LDObject {
public:
    Arrays2D(void** rows, int rowCount, int rowLength) : rows(rows), rowCount(rowCount), rowLength(rowLength) {}
    virtual ~Arrays2D() {}

    void** rows;
    int rowCount;
    int rowLength;
};

} // namespace tavrix
