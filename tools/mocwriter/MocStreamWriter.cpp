#include "mocwriter/MocStreamWriter.h"

#include "mocwriter/MocClass.h"

#include <cstring>
#include <limits>
#include <stdexcept>

namespace mocwriter {

namespace {

std::uint32_t floatBits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

std::uint64_t doubleBits(double value) {
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

MocStreamWriter::MocStreamWriter(ByteOrder order) : order_(order) {}

// --- Result ------------------------------------------------------------------

const std::vector<std::uint8_t>& MocStreamWriter::bytes() {
    if (!frames_.empty()) {
        throw std::logic_error("MocStreamWriter: an object or array is still open");
    }
    if (!openSlots_.empty()) {
        throw std::logic_error("MocStreamWriter: a back-reference placeholder was never resolved");
    }
    flushBits();
    return out_;
}

std::vector<std::uint8_t> MocStreamWriter::takeBytes() {
    bytes();
    std::vector<std::uint8_t> result;
    result.swap(out_);
    loadedCount_ = 0;
    return result;
}

// --- Plain values --------------------------------------------------------------

void MocStreamWriter::put(std::uint8_t byte) {
    flushBits();
    out_.push_back(byte);
}

void MocStreamWriter::putFixed(std::uint64_t bits, int size) {
    flushBits();
    for (int i = 0; i < size; ++i) {
        const int shift = order_ == ByteOrder::BigEndian ? 8 * (size - 1 - i) : 8 * i;
        out_.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
}

void MocStreamWriter::writeByte(int value) { put(static_cast<std::uint8_t>(value)); }

void MocStreamWriter::writeBoolean(bool value) { put(value ? 1 : 0); }

void MocStreamWriter::writeShort(std::int16_t value) {
    putFixed(static_cast<std::uint16_t>(value), 2);
}

void MocStreamWriter::writeInt(std::int32_t value) {
    putFixed(static_cast<std::uint32_t>(value), 4);
}

void MocStreamWriter::writeLong(std::int64_t value) {
    putFixed(static_cast<std::uint64_t>(value), 8);
}

void MocStreamWriter::writeFloat(float value) { putFixed(floatBits(value), 4); }

void MocStreamWriter::writeDouble(double value) { putFixed(doubleBits(value), 8); }

void MocStreamWriter::writeNum(std::uint32_t value) {
    int width = 1;
    while (width < 4 && (value >> (7 * width)) != 0) {
        ++width;
    }
    writeNumWidth(value, width);
}

void MocStreamWriter::writeNumWidth(std::uint32_t value, int width) {
    if (width < 1 || width > 4) {
        throw std::out_of_range("MocStreamWriter: a count takes 1 to 4 bytes");
    }
    if (value > MAX_NUM || (width < 4 && (value >> (7 * width)) != 0)) {
        throw std::out_of_range("MocStreamWriter: count " + std::to_string(value) +
                                " does not fit in " + std::to_string(width) + " byte(s)");
    }
    // Base 128, most significant group first; every byte but the last has
    // its top bit set.
    for (int i = width - 1; i >= 0; --i) {
        std::uint8_t group = static_cast<std::uint8_t>((value >> (7 * i)) & 0x7F);
        put(i > 0 ? static_cast<std::uint8_t>(group | 0x80) : group);
    }
}

void MocStreamWriter::writeBit(bool value) {
    if (value) {
        bitByte_ = static_cast<std::uint8_t>(bitByte_ | (0x80 >> bitCount_));
    }
    ++bitCount_;
    if (bitCount_ == 8) {
        flushBits();
    }
}

void MocStreamWriter::flushBits() {
    if (bitCount_ == 0) {
        return;
    }
    out_.push_back(bitByte_);
    bitCount_ = 0;
    bitByte_ = 0;
}

void MocStreamWriter::writeString(const std::string& text) {
    writeNum(static_cast<std::uint32_t>(checkedCount(text.size())));
    for (char c : text) {
        out_.push_back(static_cast<std::uint8_t>(c));
    }
}

void MocStreamWriter::writeIntArray(const std::vector<std::int32_t>& values) {
    writeNum(static_cast<std::uint32_t>(checkedCount(values.size())));
    for (std::int32_t v : values) {
        writeInt(v);
    }
}

void MocStreamWriter::writeFloatArray(const std::vector<float>& values) {
    writeNum(static_cast<std::uint32_t>(checkedCount(values.size())));
    for (float v : values) {
        writeFloat(v);
    }
}

void MocStreamWriter::writeDoubleArray(const std::vector<double>& values) {
    writeNum(static_cast<std::uint32_t>(checkedCount(values.size())));
    for (double v : values) {
        writeDouble(v);
    }
}

void MocStreamWriter::writeUShortArray(const std::vector<std::uint16_t>& values) {
    writeNum(static_cast<std::uint32_t>(checkedCount(values.size())));
    for (std::uint16_t v : values) {
        writeInt(static_cast<std::int32_t>(v));
    }
}

// --- Tagged leaf objects -------------------------------------------------------

int MocStreamWriter::writeNull() {
    beginTagged(MocClass::NULL_OBJECT);
    return completeObject();
}

int MocStreamWriter::writeTaggedString(const std::string& text) {
    beginTagged(MocClass::STRING);
    writeString(text);
    return completeObject();
}

int MocStreamWriter::writeColor(std::int32_t packed) {
    beginTagged(MocClass::COLOR);
    writeInt(packed);
    return completeObject();
}

int MocStreamWriter::writeRectF64(double v0, double v1, double v2, double v3) {
    beginTagged(MocClass::RECT_F64);
    writeDouble(v0);
    writeDouble(v1);
    writeDouble(v2);
    writeDouble(v3);
    return completeObject();
}

int MocStreamWriter::writeRectF32(float v0, float v1, float v2, float v3) {
    beginTagged(MocClass::RECT_F32);
    writeFloat(v0);
    writeFloat(v1);
    writeFloat(v2);
    writeFloat(v3);
    return completeObject();
}

int MocStreamWriter::writePointF64(double x, double y) {
    beginTagged(MocClass::POINT_F64);
    writeDouble(x);
    writeDouble(y);
    return completeObject();
}

int MocStreamWriter::writePointF32(float x, float y) {
    beginTagged(MocClass::POINT_F32);
    writeFloat(x);
    writeFloat(y);
    return completeObject();
}

int MocStreamWriter::writeAffineTransform(double m00, double m10, double m01,
                                          double m11, double m02, double m12) {
    beginTagged(MocClass::AFFINE_TRANSFORM);
    for (double v : {m00, m10, m01, m11, m02, m12}) {
        writeDouble(v);
    }
    return completeObject();
}

int MocStreamWriter::writeRectI32(std::int32_t v0, std::int32_t v1, std::int32_t v2,
                                  std::int32_t v3) {
    beginTagged(MocClass::RECT_I32);
    writeInt(v0);
    writeInt(v1);
    writeInt(v2);
    writeInt(v3);
    return completeObject();
}

int MocStreamWriter::writePointI32(std::int32_t x, std::int32_t y) {
    beginTagged(MocClass::POINT_I32);
    writeInt(x);
    writeInt(y);
    return completeObject();
}

int MocStreamWriter::writeTaggedIntArray(const std::vector<std::int32_t>& values) {
    beginTagged(MocClass::INT_ARRAY);
    writeIntArray(values);
    return completeObject();
}

int MocStreamWriter::writeTaggedUShortArray(const std::vector<std::uint16_t>& values) {
    beginTagged(MocClass::INT_ARRAY);
    writeUShortArray(values);
    return completeObject();
}

int MocStreamWriter::writeTaggedDoubleArray(const std::vector<double>& values) {
    beginTagged(MocClass::DOUBLE_ARRAY);
    writeDoubleArray(values);
    return completeObject();
}

int MocStreamWriter::writeTaggedFloatArray(const std::vector<float>& values) {
    beginTagged(MocClass::FLOAT_ARRAY);
    writeFloatArray(values);
    return completeObject();
}

int MocStreamWriter::writeIdentifier(int classNo, const std::string& name) {
    if (classNo != MocClass::DRAW_DATA_ID && classNo != MocClass::BASE_DATA_ID &&
        classNo != MocClass::PARAM_ID && classNo != MocClass::PARTS_DATA_ID) {
        throw std::logic_error("MocStreamWriter: class " + std::to_string(classNo) +
                               " is not an identifier class");
    }
    beginTagged(classNo);
    writeString(name);
    return completeObject();
}

int MocStreamWriter::writeDrawDataId(const std::string& name) {
    return writeIdentifier(MocClass::DRAW_DATA_ID, name);
}

int MocStreamWriter::writeBaseDataId(const std::string& name) {
    return writeIdentifier(MocClass::BASE_DATA_ID, name);
}

int MocStreamWriter::writeParamId(const std::string& name) {
    return writeIdentifier(MocClass::PARAM_ID, name);
}

int MocStreamWriter::writePartsDataId(const std::string& name) {
    return writeIdentifier(MocClass::PARTS_DATA_ID, name);
}

bool MocStreamWriter::readsAsEmpty(int classNo) {
    switch (classNo) {
    case MocClass::NULL_OBJECT:
    case 16: case 18: case 19: case 20: case 24:
        return true;
    case MocClass::DRAW_DATA_ID:
    case MocClass::BASE_DATA_ID:
    case MocClass::PARAM_ID:
    case MocClass::PARTS_DATA_ID:
    case MocClass::PARAM_DEF_FLOAT:
    case MocClass::PARTS_DATA:
    case MocClass::MODEL:
    case MocClass::PARAM_DEF_SET:
    case MocClass::AVATAR_PARTS_ITEM:
        return false;
    default:
        break;
    }
    if (MocClass::isPrimitive(classNo)) return true;
    if (classNo >= 28 && classNo <= 47) return classNo != MocClass::BACK_REFERENCE;
    if (classNo >= MocClass::BOX_GRID && classNo <= MocClass::TEXTURE_MESH) return false;
    return classNo >= 48 && static_cast<std::uint32_t>(classNo) <= MAX_NUM;
}

int MocStreamWriter::writeEmptyObject(int classNo) {
    if (!readsAsEmpty(classNo)) {
        throw std::logic_error("MocStreamWriter: class " + std::to_string(classNo) +
                               " has a payload; it is not an empty object");
    }
    beginTagged(classNo);
    return completeObject();
}

// --- Back-references -------------------------------------------------------------

void MocStreamWriter::writeBackRef(std::int32_t index) {
    countElement();
    writeNum(MocClass::BACK_REFERENCE);
    writeInt(index);
}

MocStreamWriter::BackRefSlot MocStreamWriter::writeBackRefPlaceholder() {
    countElement();
    writeNum(MocClass::BACK_REFERENCE);
    BackRefSlot slot;
    slot.offset = out_.size();
    writeInt(-1);
    openSlots_.push_back(slot.offset);
    return slot;
}

void MocStreamWriter::resolveBackRef(const BackRefSlot& slot, std::int32_t index) {
    for (auto it = openSlots_.begin(); it != openSlots_.end(); ++it) {
        if (*it == slot.offset) {
            openSlots_.erase(it);
            patchInt(slot.offset, index);
            return;
        }
    }
    throw std::logic_error("MocStreamWriter: unknown or already resolved back-reference slot");
}

void MocStreamWriter::writeBackRefToEnclosing(int levelsUp) {
    int remaining = levelsUp;
    for (auto it = frames_.rbegin(); it != frames_.rend(); ++it) {
        if (it->kind == FrameKind::NestedLevel) {
            continue;
        }
        if (remaining-- > 0) {
            continue;
        }
        const std::size_t frameIndex = static_cast<std::size_t>(frames_.rend() - it - 1);
        BackRefSlot slot = writeBackRefPlaceholder();
        frames_[frameIndex].enclosingSlots.push_back(slot.offset);
        return;
    }
    throw std::logic_error("MocStreamWriter: no enclosing object " + std::to_string(levelsUp) +
                           " level(s) up");
}

// --- Compound objects --------------------------------------------------------------

void MocStreamWriter::beginObject(int classNo) {
    switch (classNo) {
    case MocClass::BOX_GRID: case MocClass::PIVOT_MANAGER: case MocClass::PARAM_PIVOTS:
    case MocClass::AFFINE_DEFORMER: case MocClass::AFFINE_ENT: case MocClass::TEXTURE_MESH:
    case MocClass::PARAM_DEF_FLOAT: case MocClass::PARTS_DATA: case MocClass::MODEL:
    case MocClass::PARAM_DEF_SET: case MocClass::AVATAR_PARTS_ITEM:
        break;
    default:
        throw std::logic_error("MocStreamWriter: class " + std::to_string(classNo) +
                               " is not a class with fields; use the matching write method");
    }
    beginTagged(classNo);
    startFrame(Frame{FrameKind::Object, classNo, 0, 0, 0, 0, {}});
}

int MocStreamWriter::endObject() { return finishFrame(FrameKind::Object, "endObject"); }

void MocStreamWriter::beginObjectArray(int count) {
    if (count < 0) {
        throw std::out_of_range("MocStreamWriter: negative array count");
    }
    beginTagged(MocClass::OBJECT_ARRAY);
    writeNum(static_cast<std::uint32_t>(count));
    startFrame(Frame{FrameKind::ObjectArray, MocClass::OBJECT_ARRAY, 0, 0, count, 0, {}});
}

int MocStreamWriter::endObjectArray() {
    return finishFrame(FrameKind::ObjectArray, "endObjectArray");
}

void MocStreamWriter::beginNestedArray(int dimensions, int elementClass, int count) {
    if (dimensions < 1) {
        throw std::out_of_range("MocStreamWriter: a nested array needs at least one dimension");
    }
    if (elementClass < 0 || count < 0) {
        throw std::out_of_range("MocStreamWriter: negative element class or count");
    }
    beginTagged(MocClass::NESTED_ARRAY);
    writeNum(static_cast<std::uint32_t>(dimensions));
    writeNum(static_cast<std::uint32_t>(elementClass));
    writeNum(static_cast<std::uint32_t>(count));
    startFrame(Frame{FrameKind::NestedArray, MocClass::NESTED_ARRAY, dimensions, elementClass,
                     count, 0, {}});
}

void MocStreamWriter::beginNestedLevel(int count) {
    if (frames_.empty() || !levelTakesSubLevels(frames_.back())) {
        throw std::logic_error("MocStreamWriter: beginNestedLevel outside a nested array "
                               "level of two or more dimensions");
    }
    if (count < 0) {
        throw std::out_of_range("MocStreamWriter: negative nested level count");
    }
    Frame& parent = frames_.back();
    ++parent.written;
    const int dimensions = parent.dimensions - 1;
    const int elementClass = parent.elementClass;
    writeNum(static_cast<std::uint32_t>(count));
    startFrame(Frame{FrameKind::NestedLevel, MocClass::NESTED_ARRAY, dimensions, elementClass,
                     count, 0, {}});
}

void MocStreamWriter::endNestedLevel() { finishFrame(FrameKind::NestedLevel, "endNestedLevel"); }

int MocStreamWriter::endNestedArray() {
    return finishFrame(FrameKind::NestedArray, "endNestedArray");
}

// --- Raw escape hatch ----------------------------------------------------------------

void MocStreamWriter::writeRawBytes(const std::vector<std::uint8_t>& data) {
    writeRawBytes(data.data(), data.size());
}

void MocStreamWriter::writeRawBytes(const std::uint8_t* data, std::size_t length) {
    flushBits();
    out_.insert(out_.end(), data, data + length);
}

void MocStreamWriter::writeClassNumber(int classNo) {
    if (classNo < 0) {
        throw std::out_of_range("MocStreamWriter: negative class number");
    }
    writeNum(static_cast<std::uint32_t>(classNo));
}

int MocStreamWriter::noteLoadedObject() { return loadedCount_++; }

void MocStreamWriter::noteArrayElement() {
    if (frames_.empty()) {
        throw std::logic_error("MocStreamWriter: no open array");
    }
    ++frames_.back().written;
}

void MocStreamWriter::patchInt(std::size_t offset, std::int32_t value) {
    if (offset + 4 > out_.size()) {
        throw std::out_of_range("MocStreamWriter: patch beyond the written bytes");
    }
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        const int shift = order_ == ByteOrder::BigEndian ? 8 * (3 - i) : 8 * i;
        out_[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bits >> shift);
    }
}

// --- Bookkeeping ---------------------------------------------------------------------

void MocStreamWriter::beginTagged(int classNo) {
    countElement();
    writeClassNumber(classNo);
}

int MocStreamWriter::completeObject() { return loadedCount_++; }

void MocStreamWriter::countElement() {
    if (frames_.empty()) {
        return;
    }
    Frame& frame = frames_.back();
    switch (frame.kind) {
    case FrameKind::Object:
        return; // a field of the object; objects have no element count
    case FrameKind::ObjectArray:
        break;
    case FrameKind::NestedArray:
    case FrameKind::NestedLevel:
        if (levelIsTerminal(frame)) {
            throw std::logic_error("MocStreamWriter: a two-dimensional nested array of a "
                                   "primitive class holds no entries");
        }
        if (frame.dimensions > 1) {
            throw std::logic_error("MocStreamWriter: this nested array level expects "
                                   "sub-levels (beginNestedLevel), not objects");
        }
        break;
    }
    ++frame.written;
}

void MocStreamWriter::startFrame(Frame frame) { frames_.push_back(std::move(frame)); }

int MocStreamWriter::finishFrame(FrameKind kind, const char* what) {
    if (frames_.empty() || frames_.back().kind != kind) {
        throw std::logic_error(std::string("MocStreamWriter: ") + what +
                               " does not match the innermost open object");
    }
    Frame frame = std::move(frames_.back());
    frames_.pop_back();
    if (kind != FrameKind::Object && !levelIsTerminal(frame) && frame.written != frame.expected) {
        throw std::logic_error(std::string("MocStreamWriter: ") + what + ": declared " +
                               std::to_string(frame.expected) + " entries, wrote " +
                               std::to_string(frame.written));
    }
    if (kind == FrameKind::NestedLevel) {
        return -1; // inner levels are not loaded objects of their own
    }
    const int index = completeObject();
    for (std::size_t offset : frame.enclosingSlots) {
        resolveBackRef(BackRefSlot{offset}, index);
    }
    return index;
}

bool MocStreamWriter::levelIsTerminal(const Frame& frame) {
    return frame.dimensions == 2 && MocClass::isPrimitive(frame.elementClass);
}

bool MocStreamWriter::levelTakesSubLevels(const Frame& frame) {
    return (frame.kind == FrameKind::NestedArray || frame.kind == FrameKind::NestedLevel) &&
           frame.dimensions > 1 && !levelIsTerminal(frame);
}

int MocStreamWriter::checkedCount(std::size_t count) {
    if (count > MAX_NUM) {
        throw std::out_of_range("MocStreamWriter: more elements than a count can hold");
    }
    return static_cast<int>(count);
}

} // namespace mocwriter
