#include "io/BReader.h"

#include <cstdio>

#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "memory/UtMemory.h"
#include "type/LDAffineTransform.h"
#include "type/LDColor.h"
#include "type/LDPoint.h"
#include "type/LDPointF.h"
#include "type/LDRect.h"
#include "type/LDRectF.h"

namespace tavrix {

ClassSet::ClassSet(std::initializer_list<int> classNos) : count(0)
{
    for (int classNo : classNos) {
        if (count == MAX_CLASSES) break;
        classes[count++] = classNo;
    }
}

bool ClassSet::contains(int classNo) const
{
    for (int i = 0; i < count; ++i) {
        if (classes[i] == classNo) return true;
    }
    return false;
}

namespace {

bool isSerializableClass(int classNo)
{
    return (classNo >= FileFormat2::BDBOXGRID_NO && classNo <= FileFormat2::DDTEXTURE_NO)
        || classNo == FileFormat2::PARAM_DEF_FLOAT_NO || classNo == FileFormat2::PARTS_DATA_NO
        || classNo == FileFormat2::MODEL_IMPL_NO || classNo == FileFormat2::PARAM_DEF_SET_NO
        || classNo == FileFormat2::AVATAR_PARTS_ITEM_NO;
}

bool isArrayOfObjects(int classNo)
{
    return classNo == FileFormat2::OBJECT_ARRAY_NO || classNo == FileFormat2::NESTED_ARRAY_NO;
}

const StreamObject NOTHING = {nullptr, 0, 0};

} // namespace

BReader::BReader(const void* bytes, int length)
    : formatVersion(0), buffer(bytes, length), bitPosition(0), bitByte(0),
      loaded(UtMemory::getTmpMemoryParam(), LOADED_OBJECTS_INITIAL_CAPACITY, 0, false),
      childEntries(UtMemory::getTmpMemoryParam()), depth(0), invalid(false)
{
}

BReader::~BReader()
{
    releaseUnclaimed(0);
}

void BReader::markInvalid(const char* message)
{
    invalid = true;
    buffer.recordError(message);
}

void BReader::abandon(const char* message)
{
    markInvalid(message);
    // The rest cannot be trusted; leaving it unread also keeps the arrays that
    // are still open from spending work on elements that all fail the same way.
    buffer.skip(buffer.getRemaining());
}

// ---------------------------------------------------------------------------
// Tagged objects

int BReader::addEntry(const LoadedEntry& entry)
{
    int before = loaded.size();
    loaded.push_back(entry);
    if (loaded.size() == before) {
        // No room to remember it: nobody could claim or release it later.
        LoadedEntry lost = entry;
        deleteEntryObject(lost);
        markInvalid("loaded-object table full");
        return -1;
    }
    return before;
}

int BReader::readEntry(MemoryParam* memParam, int classNo, int flags)
{
    checkBits();
    if (depth >= MAX_NESTING_DEPTH) {
        abandon("objects nested too deep");
        return -1;
    }
    if (classNo < 0) classNo = buffer.readNum();
    if (classNo == FileFormat2::MODEL_IMPL_NO && depth > 0) {
        // Only a root may be a model; each model brings its own memory pages,
        // so nested ones would let a few bytes claim a lot of memory.
        abandon("model nested in another object");
        return -1;
    }
    if (classNo == FileFormat2::BACK_REFERENCE_NO) {
        int index = buffer.readInt();
        return (index >= 0 && index < loaded.size()) ? index : -1;
    }

    LoadedEntry entry = {nullptr, classNo, 0, -1, 0, 0, false, false, false};
    ++depth;
    entry.ptr = readPayload(memParam, classNo, flags, entry);
    --depth;
    if (!entry.ptr) {
        entry.classNo = 0;
        entry.count = 0;
    }
    return addEntry(entry);
}

void* BReader::readPayload(MemoryParam* memParam, int classNo, int flags, LoadedEntry& entry)
{
    switch (classNo) {
    case FileFormat2::LDSTRING_NO: {
        LDString* text = buffer.readString(memParam);
        if (text) entry.count = text->length();
        return text;
    }
    case FileFormat2::LDCOLOR_NO: {
        int color = buffer.readInt();
        return new LDColor(color, true);
    }
    case FileFormat2::LDRECTF_DOUBLE_NO: {
        float x = static_cast<float>(buffer.readDouble());
        float y = static_cast<float>(buffer.readDouble());
        float w = static_cast<float>(buffer.readDouble());
        float h = static_cast<float>(buffer.readDouble());
        return new LDRectF(x, y, w, h);
    }
    case FileFormat2::LDRECTF_NO: {
        float x = buffer.readFloat();
        float y = buffer.readFloat();
        float w = buffer.readFloat();
        float h = buffer.readFloat();
        return new LDRectF(x, y, w, h);
    }
    case FileFormat2::LDPOINTF_DOUBLE_NO: {
        float x = static_cast<float>(buffer.readDouble());
        float y = static_cast<float>(buffer.readDouble());
        return new LDPointF(x, y);
    }
    case FileFormat2::LDPOINTF_NO: {
        float x = buffer.readFloat();
        float y = buffer.readFloat();
        return new LDPointF(x, y);
    }
    case FileFormat2::OBJECT_ARRAY_NO:
        return readObjectArray(memParam, entry);
    case FileFormat2::LDAFFINE_TRANSFORM_NO: {
        float m[6];
        for (int i = 0; i < 6; ++i) m[i] = static_cast<float>(buffer.readDouble());
        return new LDAffineTransform(m[0], m[1], m[2], m[3], m[4], m[5]);
    }
    case FileFormat2::LDRECT_NO: {
        int x = buffer.readInt();
        int y = buffer.readInt();
        int w = buffer.readInt();
        int h = buffer.readInt();
        return new LDRect(x, y, w, h);
    }
    case FileFormat2::LDPOINT_NO: {
        int x = buffer.readInt();
        int y = buffer.readInt();
        return new LDPoint(x, y);
    }
    case FileFormat2::NESTED_ARRAY_NO:
        return readNestedArray(memParam, entry);
    case FileFormat2::INT_ARRAY_NO:
        if (flags & FLAG_INT_ARRAY_AS_USHORT) {
            entry.ushort = true;
            return buffer.readArrayIntAsUShort(memParam, &entry.count);
        }
        return buffer.readArrayInt(memParam, &entry.count);
    case FileFormat2::DOUBLE_ARRAY_NO:
        return buffer.readArrayDouble(memParam, &entry.count);
    case FileFormat2::FLOAT_ARRAY_NO:
        return buffer.readArrayFloat(memParam, &entry.count);
    case FileFormat2::DRAW_DATA_ID_NO:
    case FileFormat2::BASE_DATA_ID_NO:
    case FileFormat2::PARAM_ID_NO:
    case FileFormat2::PARTS_DATA_ID_NO: {
        const RefString& name = buffer.readStringAsRef();
        if (!name.ptr) return nullptr;
        if (classNo == FileFormat2::DRAW_DATA_ID_NO) return DrawDataID::getID(name);
        if (classNo == FileFormat2::BASE_DATA_ID_NO) return BaseDataID::getID(name);
        if (classNo == FileFormat2::PARAM_ID_NO) return ParamID::getID(name);
        return PartsDataID::getID(name);
    }
    default:
        if (classNo >= 48) return readSerializablePayload(memParam, classNo);
        return nullptr; // 0, the primitives 2 to 9 and the unused numbers below 48
    }
}

ISerializableV2* BReader::readSerializablePayload(MemoryParam* memParam, int classNo)
{
    ISerializableV2* object = FileFormat2::newInstance(memParam, classNo);
    if (object) object->readV2(*this, memParam);
    return object;
}

void* BReader::readObjectArray(MemoryParam* memParam, LoadedEntry& entry)
{
    int errorsBefore = buffer.getErrorCount();
    int n = buffer.readNum();
    if (buffer.getErrorCount() != errorsBefore) return nullptr;
    // Every element takes at least one byte, so the bytes left bound the count.
    if (n > buffer.getRemaining()) {
        markInvalid("illegal size of array");
        return nullptr;
    }
    MemoryParam* vectorMemory = memParam ? memParam : UtMemory::getTmpMemoryParam();
    LDVector<void*>* array = new LDVector<void*>(vectorMemory, n, 0, false);
    LDVector<int> children(UtMemory::getTmpMemoryParam(), n, 0, false);
    if (!array || array->capacity() < n || children.capacity() < n) {
        delete array;
        return nullptr;
    }
    for (int i = 0; i < n; ++i) {
        int child = readEntry(memParam, -1, 0);
        // An element some field took already must not be reachable from here.
        void* element = (child >= 0 && !loaded[child].claimed) ? loaded[child].ptr : nullptr;
        array->push_back(element);
        children.push_back(child);
    }
    entry.count = n;
    entry.firstChild = childEntries.size();
    for (int i = 0; i < n; ++i) childEntries.push_back(children[i]);
    entry.childCount = childEntries.size() - entry.firstChild;
    return array;
}

void* BReader::readNestedArray(MemoryParam* memParam, LoadedEntry& entry)
{
    int errorsBefore = buffer.getErrorCount();
    int dims = buffer.readNum();
    int elementClassNo = buffer.readNum();
    if (buffer.getErrorCount() != errorsBefore) return nullptr;
    if (dims < 1 || dims > MAX_ARRAY_DIMENSIONS) {
        markInvalid("illegal dimensions of array");
        return nullptr;
    }
    LDVector<int> children(UtMemory::getTmpMemoryParam());
    LDVector<void*>* array = static_cast<LDVector<void*>*>(readNestedLevel(memParam, elementClassNo, dims, children));
    if (!array) {
        // Leaves read before a failure stay unclaimed entries; the reader deletes them.
        return nullptr;
    }
    entry.count = array->size();
    entry.dims = static_cast<uint8_t>(dims);
    entry.firstChild = childEntries.size();
    for (int i = 0; i < children.size(); ++i) childEntries.push_back(children[i]);
    entry.childCount = childEntries.size() - entry.firstChild;
    return array;
}

void* BReader::readNestedLevel(MemoryParam* memParam, int elementClassNo, int dims, LDVector<int>& children)
{
    int errorsBefore = buffer.getErrorCount();
    int n = buffer.readNum();
    if (buffer.getErrorCount() != errorsBefore) return nullptr;
    if (n > buffer.getRemaining()) {
        markInvalid("illegal size of array");
        return nullptr;
    }
    if (dims == 2 && FileFormat2::isPrimitive(elementClassNo)) return nullptr;
    MemoryParam* vectorMemory = memParam ? memParam : UtMemory::getTmpMemoryParam();
    LDVector<void*>* array = new LDVector<void*>(vectorMemory, n, 0, false);
    if (!array || array->capacity() < n) {
        delete array;
        return nullptr;
    }
    for (int i = 0; i < n; ++i) {
        if (dims == 1) {
            int child = readEntry(memParam, -1, 0);
            void* element = (child >= 0 && !loaded[child].claimed) ? loaded[child].ptr : nullptr;
            array->push_back(element);
            children.push_back(child);
        } else {
            // Each level counts as one level of nesting.
            void* inner = nullptr;
            if (depth >= MAX_NESTING_DEPTH) {
                abandon("objects nested too deep");
            } else {
                ++depth;
                inner = readNestedLevel(memParam, elementClassNo, dims - 1, children);
                --depth;
            }
            array->push_back(inner);
        }
    }
    return array;
}

// ---------------------------------------------------------------------------
// Ownership

bool BReader::matches(const LoadedEntry& entry, const ClassSet& accepted, int flags) const
{
    if (!accepted.contains(entry.classNo)) return false;
    if (entry.classNo == FileFormat2::INT_ARRAY_NO) {
        return entry.ushort == ((flags & FLAG_INT_ARRAY_AS_USHORT) != 0);
    }
    return true;
}

void BReader::refuse(int index, const char* reason)
{
    char text[160];
    std::snprintf(text, sizeof(text), "%s (loaded object %d, class %d)", reason, index,
                  index >= 0 && index < loaded.size() ? loaded[index].classNo : -1);
    markInvalid(text);
}

void BReader::claimSlot(int childIndex, void*& slot, LDVector<int>& pending)
{
    if (childIndex < 0 || childIndex >= loaded.size()) {
        slot = nullptr;
        return;
    }
    LoadedEntry& child = loaded[childIndex];
    if (!child.ptr || child.released) {
        slot = nullptr;
        return;
    }
    if (FileFormat2::isIdentifier(child.classNo)) return;
    if (child.claimed) {
        slot = nullptr;
        refuse(childIndex, "object claimed twice");
        return;
    }
    child.claimed = true;
    slot = child.ptr;
    if (isArrayOfObjects(child.classNo)) pending.push_back(childIndex);
}

void BReader::claimNestedSlots(LDVector<void*>* array, int dims, int& childPos, LDVector<int>& pending)
{
    // childPos walks the flattened leaves in the order they were read.
    for (int i = 0; i < array->size(); ++i) {
        if (dims == 1) {
            int child = childPos < childEntries.size() ? childEntries[childPos] : -1;
            ++childPos;
            claimSlot(child, (*array)[i], pending);
        } else if ((*array)[i]) {
            claimNestedSlots(static_cast<LDVector<void*>*>((*array)[i]), dims - 1, childPos, pending);
        }
    }
}

bool BReader::claim(int index)
{
    LoadedEntry& entry = loaded[index];
    if (!entry.ptr || FileFormat2::isIdentifier(entry.classNo)) return true;
    if (entry.claimed || entry.released) return false;
    entry.claimed = true;
    if (isArrayOfObjects(entry.classNo)) {
        LDVector<int> pending(UtMemory::getTmpMemoryParam());
        pending.push_back(index);
        claimPendingElements(pending);
    }
    return true;
}

void BReader::claimPendingElements(LDVector<int>& pending)
{
    // Arrays own their elements. A work list rather than recursion, since a
    // chain of arrays each holding the one before can be as long as the stream.
    while (pending.size() > 0) {
        int current = pending[pending.size() - 1];
        pending.updateSize(pending.size() - 1, 0);
        LoadedEntry& array = loaded[current];
        LDVector<void*>* elements = static_cast<LDVector<void*>*>(array.ptr);
        if (array.classNo == FileFormat2::OBJECT_ARRAY_NO) {
            int slots = elements->size() < array.childCount ? elements->size() : array.childCount;
            for (int i = 0; i < slots; ++i) claimSlot(childEntries[array.firstChild + i], (*elements)[i], pending);
        } else {
            int childPos = array.firstChild;
            claimNestedSlots(elements, array.dims, childPos, pending);
        }
    }
}

StreamObject BReader::take(int index, const ClassSet* accepted, int flags)
{
    if (index < 0) return NOTHING;
    LoadedEntry& entry = loaded[index];
    if (entry.released) {
        refuse(index, "reference to a discarded object");
        return NOTHING;
    }
    if (!entry.ptr) return NOTHING;
    if (accepted && !matches(entry, *accepted, flags)) {
        refuse(index, "unexpected class for this field");
        return NOTHING;
    }
    if (!claim(index)) {
        refuse(index, "object claimed twice");
        return NOTHING;
    }
    StreamObject result = {entry.ptr, entry.classNo, entry.count};
    return result;
}

void BReader::deleteNestedContainers(LDVector<void*>* array, int dims)
{
    if (!array) return;
    if (dims > 1) {
        for (int i = array->size() - 1; i >= 0; --i) {
            deleteNestedContainers(static_cast<LDVector<void*>*>((*array)[i]), dims - 1);
        }
    }
    delete array;
}

void BReader::deleteEntryObject(LoadedEntry& entry)
{
    void* ptr = entry.ptr;
    entry.ptr = nullptr;
    if (!ptr) return;
    switch (entry.classNo) {
    case FileFormat2::LDSTRING_NO: delete static_cast<LDString*>(ptr); break;
    case FileFormat2::LDCOLOR_NO: delete static_cast<LDColor*>(ptr); break;
    case FileFormat2::LDRECTF_DOUBLE_NO:
    case FileFormat2::LDRECTF_NO: delete static_cast<LDRectF*>(ptr); break;
    case FileFormat2::LDPOINTF_DOUBLE_NO:
    case FileFormat2::LDPOINTF_NO: delete static_cast<LDPointF*>(ptr); break;
    case FileFormat2::LDAFFINE_TRANSFORM_NO: delete static_cast<LDAffineTransform*>(ptr); break;
    case FileFormat2::LDRECT_NO: delete static_cast<LDRect*>(ptr); break;
    case FileFormat2::LDPOINT_NO: delete static_cast<LDPoint*>(ptr); break;
    // Containers only: their elements are entries of their own.
    case FileFormat2::OBJECT_ARRAY_NO: delete static_cast<LDVector<void*>*>(ptr); break;
    case FileFormat2::NESTED_ARRAY_NO: deleteNestedContainers(static_cast<LDVector<void*>*>(ptr), entry.dims); break;
    case FileFormat2::INT_ARRAY_NO:
    case FileFormat2::DOUBLE_ARRAY_NO:
    case FileFormat2::FLOAT_ARRAY_NO: UtMemory::free_exe(ptr); break;
    default:
        if (isSerializableClass(entry.classNo)) delete static_cast<ISerializableV2*>(ptr);
        break; // identifiers are interned and never deleted
    }
}

void BReader::releaseUnclaimed(int fromIndex)
{
    if (fromIndex < 0) fromIndex = 0;
    for (int i = loaded.size() - 1; i >= fromIndex; --i) {
        LoadedEntry& entry = loaded[i];
        if (entry.claimed || entry.released || !entry.ptr || FileFormat2::isIdentifier(entry.classNo)) continue;
        deleteEntryObject(entry);
        entry.released = true;
    }
}

void* BReader::getLoadedObject(int index) const
{
    return (index >= 0 && index < loaded.size()) ? loaded[index].ptr : nullptr;
}

int BReader::getLoadedClassNo(int index) const
{
    return (index >= 0 && index < loaded.size()) ? loaded[index].classNo : -1;
}

bool BReader::isLoadedObjectClaimed(int index) const
{
    return index >= 0 && index < loaded.size() && loaded[index].claimed;
}

// ---------------------------------------------------------------------------
// Field reads

void* BReader::readObject(MemoryParam* memParam, int classNo, int flags)
{
    return take(readEntry(memParam, classNo, flags), nullptr, flags).ptr;
}

StreamObject BReader::readObjectOf(MemoryParam* memParam, const ClassSet& accepted, int flags)
{
    return take(readEntry(memParam, -1, flags), &accepted, flags);
}

ISerializableV2* BReader::readSerializable(MemoryParam* memParam, const ClassSet& accepted)
{
    int index = readEntry(memParam, -1, 0);
    if (index >= 0 && loaded[index].ptr && !isSerializableClass(loaded[index].classNo)) {
        refuse(index, "unexpected class for this field");
        return nullptr;
    }
    return static_cast<ISerializableV2*>(take(index, &accepted, 0).ptr);
}

LDVector<void*>* BReader::readObjectList(MemoryParam* memParam, const ClassSet& elementClasses,
                                         LDVector<int>* counts)
{
    if (counts) counts->updateSize(0, 0);
    int index = readEntry(memParam, -1, 0);
    if (index < 0) return nullptr;
    LoadedEntry& entry = loaded[index];
    if (entry.released) {
        refuse(index, "reference to a discarded object");
        return nullptr;
    }
    if (!entry.ptr) return nullptr;
    if (entry.classNo != FileFormat2::OBJECT_ARRAY_NO) {
        refuse(index, "unexpected class for this field");
        return nullptr;
    }
    if (entry.claimed) {
        refuse(index, "object claimed twice");
        return nullptr;
    }
    entry.claimed = true;

    LDVector<void*>* elements = static_cast<LDVector<void*>*>(entry.ptr);
    LDVector<int> pending(UtMemory::getTmpMemoryParam());
    int slots = elements->size() < entry.childCount ? elements->size() : entry.childCount;
    for (int i = 0; i < slots; ++i) {
        int child = childEntries[entry.firstChild + i];
        void*& slot = (*elements)[i];
        if (child >= 0 && loaded[child].ptr && !loaded[child].released
            && !matches(loaded[child], elementClasses, 0)) {
            refuse(child, "unexpected class for this list");
            slot = nullptr;
        } else {
            claimSlot(child, slot, pending);
        }
        if (counts) counts->push_back(slot && child >= 0 ? loaded[child].count : 0);
    }
    claimPendingElements(pending);
    for (int i = slots; i < elements->size(); ++i) (*elements)[i] = nullptr;
    return elements;
}

LDVector<float*>* BReader::readFloatArrayList(MemoryParam* memParam, LDVector<int>* counts)
{
    LDVector<void*>* untyped = readObjectList(memParam, ClassSet(FileFormat2::FLOAT_ARRAY_NO), counts);
    if (!untyped) return nullptr;
    if (!memParam) memParam = UtMemory::getTmpMemoryParam();
    LDVector<float*>* list = new LDVector<float*>(memParam, untyped->size(), 0, false);
    if (list) {
        for (int i = 0; i < untyped->size(); ++i) list->push_back(static_cast<float*>((*untyped)[i]));
    }
    if (!list || list->size() != untyped->size()) {
        for (int i = untyped->size() - 1; i >= 0; --i) UtMemory::free_exe((*untyped)[i]);
        delete list;
        list = nullptr;
    }
    delete untyped;
    return list;
}

LDString* BReader::readStringObject(MemoryParam* memParam)
{
    return static_cast<LDString*>(readObjectOf(memParam, ClassSet(FileFormat2::LDSTRING_NO)).ptr);
}

ParamID* BReader::readParamID()
{
    return static_cast<ParamID*>(readObjectOf(nullptr, ClassSet(FileFormat2::PARAM_ID_NO)).ptr);
}

BaseDataID* BReader::readBaseDataID()
{
    return static_cast<BaseDataID*>(readObjectOf(nullptr, ClassSet(FileFormat2::BASE_DATA_ID_NO)).ptr);
}

DrawDataID* BReader::readDrawDataID()
{
    return static_cast<DrawDataID*>(readObjectOf(nullptr, ClassSet(FileFormat2::DRAW_DATA_ID_NO)).ptr);
}

PartsDataID* BReader::readPartsDataID()
{
    return static_cast<PartsDataID*>(readObjectOf(nullptr, ClassSet(FileFormat2::PARTS_DATA_ID_NO)).ptr);
}

namespace {

template <class T>
T* arrayResult(const StreamObject& object, int* count)
{
    if (count) *count = object.ptr ? object.count : 0;
    return static_cast<T*>(object.ptr);
}

} // namespace

int* BReader::readIntArrayObject(MemoryParam* memParam, int* count)
{
    return arrayResult<int>(readObjectOf(memParam, ClassSet(FileFormat2::INT_ARRAY_NO)), count);
}

unsigned short* BReader::readUShortArrayObject(MemoryParam* memParam, int* count)
{
    return arrayResult<unsigned short>(
        readObjectOf(memParam, ClassSet(FileFormat2::INT_ARRAY_NO), FLAG_INT_ARRAY_AS_USHORT), count);
}

double* BReader::readDoubleArrayObject(MemoryParam* memParam, int* count)
{
    return arrayResult<double>(readObjectOf(memParam, ClassSet(FileFormat2::DOUBLE_ARRAY_NO)), count);
}

float* BReader::readFloatArrayObject(MemoryParam* memParam, int* count)
{
    return arrayResult<float>(readObjectOf(memParam, ClassSet(FileFormat2::FLOAT_ARRAY_NO)), count);
}

// ---------------------------------------------------------------------------
// Plain reads

int8_t BReader::readByte() { checkBits(); return buffer.readByte(); }
bool BReader::readBoolean() { checkBits(); return buffer.readBoolean(); }
int16_t BReader::readShort() { checkBits(); return buffer.readShort(); }
int32_t BReader::readInt() { checkBits(); return buffer.readInt(); }
int64_t BReader::readLong() { checkBits(); return buffer.readLong(); }
float BReader::readFloat() { checkBits(); return buffer.readFloat(); }
double BReader::readDouble() { checkBits(); return buffer.readDouble(); }
int BReader::readNum() { checkBits(); return buffer.readNum(); }
LDString* BReader::readString(MemoryParam* memParam) { checkBits(); return buffer.readString(memParam); }
const RefString& BReader::readStringAsRef() { checkBits(); return buffer.readStringAsRef(); }

int* BReader::readArrayInt(MemoryParam* memParam, int* count)
{
    checkBits();
    return buffer.readArrayInt(memParam, count);
}

unsigned short* BReader::readArrayIntAsUShort(MemoryParam* memParam, int* count)
{
    checkBits();
    return buffer.readArrayIntAsUShort(memParam, count);
}

float* BReader::readArrayFloat(MemoryParam* memParam, int* count)
{
    checkBits();
    return buffer.readArrayFloat(memParam, count);
}

double* BReader::readArrayDouble(MemoryParam* memParam, int* count)
{
    checkBits();
    return buffer.readArrayDouble(memParam, count);
}

LDVector<int>* BReader::readArrayIntAsVector(MemoryParam* memParam)
{
    checkBits();
    return buffer.readArrayIntAsVector(memParam);
}

LDVector<float>* BReader::readArrayFloatAsVector(MemoryParam* memParam)
{
    checkBits();
    return buffer.readArrayFloatAsVector(memParam);
}

LDVector<double>* BReader::readArrayDoubleAsVector(MemoryParam* memParam)
{
    checkBits();
    return buffer.readArrayDoubleAsVector(memParam);
}

bool BReader::readBit()
{
    if (bitPosition == 0 || bitPosition == 8) {
        bitByte = static_cast<unsigned char>(buffer.readByte());
        bitPosition = 0;
    }
    bool bit = ((bitByte >> (7 - bitPosition)) & 1) != 0;
    ++bitPosition;
    return bit;
}

void BReader::skip(int n)
{
    checkBits();
    buffer.skip(n);
}

void BReader::rollback(int n)
{
    checkBits();
    buffer.rollback(n);
}

} // namespace tavrix
