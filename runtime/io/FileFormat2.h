#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class MemoryParam;
class ISerializableV2;

// Class numbers of the model stream and the factory of its readable classes.
class FileFormat2 : public LDObject {
public:
    enum ClassNo {
        NULL_NO = 0,
        LDSTRING_NO = 1,
        LDCOLOR_NO = 10,
        LDRECTF_DOUBLE_NO = 11,
        LDRECTF_NO = 12,
        LDPOINTF_DOUBLE_NO = 13,
        LDPOINTF_NO = 14,
        OBJECT_ARRAY_NO = 15,
        LDAFFINE_TRANSFORM_NO = 17,
        LDRECT_NO = 21,
        LDPOINT_NO = 22,
        NESTED_ARRAY_NO = 23,
        INT_ARRAY_NO = 25,
        DOUBLE_ARRAY_NO = 26,
        FLOAT_ARRAY_NO = 27,
        BACK_REFERENCE_NO = 33,
        DRAW_DATA_ID_NO = 50,
        BASE_DATA_ID_NO = 51,
        PARAM_ID_NO = 60,
        BDBOXGRID_NO = 65,
        PIVOT_MANAGER_NO = 66,
        PARAM_PIVOTS_NO = 67,
        BDAFFINE_NO = 68,
        AFFINE_ENT_NO = 69,
        DDTEXTURE_NO = 70,
        PARAM_DEF_FLOAT_NO = 131,
        PARTS_DATA_NO = 133,
        PARTS_DATA_ID_NO = 134,
        MODEL_IMPL_NO = 136,
        PARAM_DEF_SET_NO = 137,
        AVATAR_PARTS_ITEM_NO = 142,
    };

    // A default-constructed object of a readable model class (60 to 99 and
    // 100 to 149 ranges), or null for any other number or a class that is
    // not built.
    static ISerializableV2* newInstance(MemoryParam* memParam, int classNo);

    static bool isPrimitive(int classNo) { return classNo >= 2 && classNo <= 9; }
    static bool isPrimitiveInt(int classNo) { return classNo == 29; }
    static bool isPrimitiveDouble(int classNo) { return classNo == 30; }
    static bool isPrimitiveFloat(int classNo) { return classNo == 31; }
    // Interned identifiers: shared, never owned by the fields that hold them.
    static bool isIdentifier(int classNo)
    {
        return classNo == DRAW_DATA_ID_NO || classNo == BASE_DATA_ID_NO || classNo == PARAM_ID_NO
            || classNo == PARTS_DATA_ID_NO;
    }
};

} // namespace tavrix
