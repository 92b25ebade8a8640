// Class numbers of the ".moc" object stream: the number written in front of
// every tagged object, which tells the reader what payload follows.
#pragma once

namespace mocwriter {
namespace MocClass {

constexpr int NULL_OBJECT = 0;       // no payload; read as null
constexpr int STRING = 1;            // count, bytes
constexpr int COLOR = 10;            // one int32 (packed colour)
constexpr int RECT_F64 = 11;         // four float64
constexpr int RECT_F32 = 12;         // four float32
constexpr int POINT_F64 = 13;        // two float64
constexpr int POINT_F32 = 14;        // two float32
constexpr int OBJECT_ARRAY = 15;     // count, then that many tagged objects
constexpr int AFFINE_TRANSFORM = 17; // six float64: m00 m10 m01 m11 m02 m12
constexpr int RECT_I32 = 21;         // four int32
constexpr int POINT_I32 = 22;        // two int32
constexpr int NESTED_ARRAY = 23;     // dimensions, element class, then levels
constexpr int INT_ARRAY = 25;        // count, int32 elements (16-bit when read with the flag)
constexpr int DOUBLE_ARRAY = 26;     // count, float64 elements
constexpr int FLOAT_ARRAY = 27;      // count, float32 elements
constexpr int BACK_REFERENCE = 33;   // int32 index into the reader's loaded objects

constexpr int DRAW_DATA_ID = 50;     // string
constexpr int BASE_DATA_ID = 51;     // string
constexpr int PARAM_ID = 60;         // string
constexpr int BOX_GRID = 65;         // grid deformer
constexpr int PIVOT_MANAGER = 66;
constexpr int PARAM_PIVOTS = 67;
constexpr int AFFINE_DEFORMER = 68;  // rotation deformer
constexpr int AFFINE_ENT = 69;       // one keyed rotation-deformer state
constexpr int TEXTURE_MESH = 70;     // textured mesh
constexpr int PARAM_DEF_FLOAT = 131;
constexpr int PARTS_DATA = 133;
constexpr int PARTS_DATA_ID = 134;   // string
constexpr int MODEL = 136;           // model root
constexpr int PARAM_DEF_SET = 137;
constexpr int AVATAR_PARTS_ITEM = 142;

// Element classes 2 to 9 name primitive kinds; the reader treats a
// two-dimensional nested array of them as null.
constexpr bool isPrimitive(int classNo) { return classNo >= 2 && classNo <= 9; }

} // namespace MocClass
} // namespace mocwriter
