#pragma once

#include <stdint.h>

// Rows of the effect's string table; an id is its row's position.
enum StrIDType {
    StrID_NONE = 0,
    StrID_Name = 1,
    StrID_Description = 2,
    StrID_NUMTYPES
};

struct TableString {
    int32_t index;
    char str[256];
};

// The text of row id; the empty text for an id outside the table.
const char* GetStringPtr(int32_t id);
