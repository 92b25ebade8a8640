#pragma once

#include <cstdint>
#include <initializer_list>

#include "io/ByteBuffer.h"
#include "io/FileFormat2.h"
#include "io/ISerializableV2.h"
#include "memory/LDObject.h"
#include "type/LDString.h"
#include "type/LDVector.h"
#include "type/RefString.h"

namespace tavrix {

class MemoryParam;
class ParamID;
class BaseDataID;
class DrawDataID;
class PartsDataID;

// The class numbers a typed field read accepts.
class ClassSet {
public:
    static constexpr int MAX_CLASSES = 8;

    ClassSet(std::initializer_list<int> classNos);
    ClassSet(int classNo) : count(1) { classes[0] = classNo; }

    bool contains(int classNo) const;

private:
    int classes[MAX_CLASSES];
    int count;
};

// One object taken from the stream by a typed read.
struct StreamObject {
    void* ptr;   // null when the field reads as nothing
    int classNo; // the class it was read as; 0 with a null ptr
    int count;   // elements of arrays (15, 23, 25 to 27), characters of a string (1), else 0
};

// Object-stream reader over a ByteBuffer: bit reads, tagged objects with
// back-references, nested arrays and the table of loaded objects.
//
// Ownership. Every object the stream creates enters the loaded-object table
// (in completion order, as back-references count them) unclaimed, owned by
// the reader. A field takes an object by claiming it, through a typed read or
// readObject; claiming an object array (15) or nested array (23) also claims
// every element, because their owner deletes them with the array. An object
// can be claimed once: a second claim (a back-reference to an object some
// field already took) reads as null and marks the stream invalid, so nothing
// is ever owned twice. Interned identifiers (50, 51, 60, 134) are shared and
// may be referred to any number of times. Objects never claimed are deleted
// by releaseUnclaimed or the destructor; their memory must still be alive
// then (ModelImpl releases what stayed unclaimed inside it before returning,
// since that memory is its own).
//
// Kinds. A typed read names the classes its field accepts; an object of any
// other class, fresh or back-referenced, is refused: the field reads as null,
// "unexpected class ..." is recorded and the stream is marked invalid. A
// null result (class 0, an unknown class, a factory miss, a back-reference
// out of range) is not a refusal.
//
// Bounds. Object arrays and nested arrays may not ask for more elements than
// the bytes left could hold (each element takes at least one byte); a nested
// array needs 1 to MAX_ARRAY_DIMENSIONS dimensions; tagged objects nest at
// most MAX_NESTING_DEPTH deep, and a model (136) only as a root. Past these
// limits the object reads as null, an error is recorded and the stream is
// marked invalid; past the depth cap or at a nested model the reader also
// stops (the rest of the block is left unread).
class BReader : public LDObject {
public:
    static constexpr int MAX_NESTING_DEPTH = 64;
    static constexpr int MAX_ARRAY_DIMENSIONS = 8;
    // readObject flag: an int array (25) arrives as unsigned 16-bit values.
    static constexpr int FLAG_INT_ARRAY_AS_USHORT = 1;
    static constexpr int LOADED_OBJECTS_INITIAL_CAPACITY = 10000;

    BReader(const void* bytes, int length);
    virtual ~BReader();

    BReader(const BReader&) = delete;
    BReader& operator=(const BReader&) = delete;

    void setFormatVersion(int version) { formatVersion = version; }
    int getFormatVersion() const { return formatVersion; }

    // Untyped tagged read (classNo < 0: the class number is read from the
    // stream). The caller claims the result and must know what it holds.
    void* readObject(MemoryParam* memParam, int classNo = -1, int flags = 0);

    // Typed field reads; each reads one tagged object (class number first)
    // and claims it when its class is accepted.
    StreamObject readObjectOf(MemoryParam* memParam, const ClassSet& accepted, int flags = 0);
    ISerializableV2* readSerializable(MemoryParam* memParam, const ClassSet& accepted);
    // T must be the common base of every class in accepted.
    template <class T>
    T* readSerializableAs(MemoryParam* memParam, const ClassSet& accepted)
    {
        return static_cast<T*>(readSerializable(memParam, accepted));
    }
    // An object array (15) whose elements must be of elementClasses (a
    // refused element becomes null in its slot; nulls stay). When counts is
    // given it receives each element's StreamObject count, in slot order.
    LDVector<void*>* readObjectList(MemoryParam* memParam, const ClassSet& elementClasses,
                                    LDVector<int>* counts = nullptr);
    // As readObjectList, typed; T must be the common base of elementClasses.
    // The list's buffer comes from memParam.
    template <class T>
    LDVector<T*>* readSerializableList(MemoryParam* memParam, const ClassSet& elementClasses)
    {
        LDVector<void*>* untyped = readObjectList(memParam, elementClasses);
        if (!untyped) return nullptr;
        if (!memParam) memParam = UtMemory::getTmpMemoryParam();
        LDVector<T*>* list = new LDVector<T*>(memParam, untyped->size(), 0, false);
        if (list) {
            for (int i = 0; i < untyped->size(); ++i) {
                list->push_back(static_cast<T*>(static_cast<ISerializableV2*>((*untyped)[i])));
            }
        }
        if (!list || list->size() != untyped->size()) {
            // Out of memory: the claimed elements have no owner but this read.
            for (int i = untyped->size() - 1; i >= 0; --i) delete static_cast<ISerializableV2*>((*untyped)[i]);
            delete list;
            list = nullptr;
        }
        delete untyped;
        return list;
    }
    // An object array of float arrays (27); counts receives each array's
    // element count (0 for a null slot).
    LDVector<float*>* readFloatArrayList(MemoryParam* memParam, LDVector<int>* counts);

    LDString* readStringObject(MemoryParam* memParam);
    ParamID* readParamID();
    BaseDataID* readBaseDataID();
    DrawDataID* readDrawDataID();
    PartsDataID* readPartsDataID();
    // Tagged number arrays; the element count goes through count (0 when the
    // field reads as null; count may be null).
    int* readIntArrayObject(MemoryParam* memParam, int* count);
    unsigned short* readUShortArrayObject(MemoryParam* memParam, int* count);
    double* readDoubleArrayObject(MemoryParam* memParam, int* count);
    float* readFloatArrayObject(MemoryParam* memParam, int* count);

    // Plain reads: pending bits are dropped first.
    int8_t readByte();
    bool readBoolean();
    int16_t readShort();
    int32_t readInt();
    int64_t readLong();
    float readFloat();
    double readDouble();
    int readNum();
    LDString* readString(MemoryParam* memParam);
    const RefString& readStringAsRef();
    int* readArrayInt(MemoryParam* memParam, int* count);
    unsigned short* readArrayIntAsUShort(MemoryParam* memParam, int* count);
    float* readArrayFloat(MemoryParam* memParam, int* count);
    double* readArrayDouble(MemoryParam* memParam, int* count);
    LDVector<int>* readArrayIntAsVector(MemoryParam* memParam);
    LDVector<float>* readArrayFloatAsVector(MemoryParam* memParam);
    LDVector<double>* readArrayDoubleAsVector(MemoryParam* memParam);

    // Next bit of the pending bit byte, most significant first.
    bool readBit();
    // Drops the unused rest of a pending bit byte.
    void checkBits() { bitPosition = 0; }

    void skip(int n);
    void rollback(int n);
    const char* getCurPtr() const { return buffer.getCurPtr(); }
    void setEndian(bool bigEndian) { buffer.setEndian(bigEndian); }
    void setChangeEndian(bool change) { buffer.setChangeEndian(change); }

    // Set when the stream was found malformed in a way that a reading class
    // cannot repair (double claims, refused kinds, limits); the model loader
    // refuses such a stream. Reading classes mark it for their own checks.
    bool isInvalid() const { return invalid; }
    void markInvalid(const char* message);

    ByteBuffer& getBuffer() { return buffer; }
    const LDVector<LDString>& getErrors() const { return buffer.getErrors(); }
    int getErrorCount() const { return buffer.getErrorCount(); }

    // The loaded-object table. Pointers of claimed entries belong to their
    // owners and may be gone.
    int getLoadedObjectCount() const { return loaded.size(); }
    void* getLoadedObject(int index) const;
    int getLoadedClassNo(int index) const;
    bool isLoadedObjectClaimed(int index) const;
    // Deletes the unclaimed objects from index fromIndex on; a later
    // back-reference to one reads as null and marks the stream invalid.
    void releaseUnclaimed(int fromIndex = 0);

private:
    struct LoadedEntry {
        void* ptr;
        int classNo;
        int count;
        int firstChild; // into childEntries: elements of an object or nested array
        int childCount;
        uint8_t dims;   // nested arrays: number of dimensions
        bool ushort;    // int array read as 16-bit values
        bool claimed;
        bool released;
    };

    // Reads one tagged object without claiming it; the index of its table
    // entry, or -1 for a null result that has none.
    int readEntry(MemoryParam* memParam, int classNo, int flags);
    void* readPayload(MemoryParam* memParam, int classNo, int flags, LoadedEntry& entry);
    void* readObjectArray(MemoryParam* memParam, LoadedEntry& entry);
    void* readNestedArray(MemoryParam* memParam, LoadedEntry& entry);
    void* readNestedLevel(MemoryParam* memParam, int elementClassNo, int dims, LDVector<int>& children);
    ISerializableV2* readSerializablePayload(MemoryParam* memParam, int classNo);
    int addEntry(const LoadedEntry& entry);
    // Marks the stream invalid and stops reading it: every later read meets
    // the end of the block.
    void abandon(const char* message);

    bool matches(const LoadedEntry& entry, const ClassSet& accepted, int flags) const;
    // Claims entry index (and its elements); false when it was taken already.
    bool claim(int index);
    // Claims the element behind one array slot, or empties the slot.
    void claimSlot(int childIndex, void*& slot, LDVector<int>& pending);
    void claimPendingElements(LDVector<int>& pending);
    void claimNestedSlots(LDVector<void*>* array, int dims, int& childPos, LDVector<int>& pending);
    // Claims entry index for a field accepting the given classes (null: any).
    StreamObject take(int index, const ClassSet* accepted, int flags);
    void refuse(int index, const char* reason);
    void deleteEntryObject(LoadedEntry& entry);
    static void deleteNestedContainers(LDVector<void*>* array, int dims);

    int formatVersion;
    ByteBuffer buffer;
    int bitPosition;
    int bitByte;
    LDVector<LoadedEntry> loaded;
    LDVector<int> childEntries;
    int depth;
    bool invalid;
};

} // namespace tavrix
