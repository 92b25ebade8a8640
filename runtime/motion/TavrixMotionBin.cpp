#include "motion/TavrixMotionBin.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ATavrixModel.h"
#include "io/BReader.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "motion/MotionBin.h"
#include "motion/MotionQueueEnt.h"
#include "type/LDString.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"
#include "util/UtMath.h"
#include "util/UtMotion.h"
#include "util/UtSystem.h"

namespace tavrix {

int TavrixMotionBin::staticObjectNo = 0;

namespace {

const int FLAG_BYTE_OFFSET = 4;
const unsigned char BIG_ENDIAN_FLAG = 0x80;
const int MAX_VERSION = 1;
const int RECORD_SIZE = 20;
const int BLOCK_COUNT = 3;

struct CurveRecord {
    int nameOffset;
    int valuesOffset;
    bool isShort;
    int valueCount;
    float minValue;
    float maxValue;
};

struct Layout {
    int version;
    int fileSize;
    int fps;
    int fadeIn;
    int fadeOut;
    int maxLength;
    int curveCount;
    int endOffset;
};

struct Refusal {
    char text[160];
    bool set(const char* format, ...) __attribute__((format(printf, 2, 3)))
    {
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof(text), format, args);
        va_end(args);
        return false;
    }
};

void reverseEach(unsigned char* bytes, int count, int width)
{
    for (int k = 0; k < count; ++k) {
        unsigned char* word = bytes + k * width;
        for (int i = 0, j = width - 1; i < j; ++i, --j) {
            unsigned char b = word[i];
            word[i] = word[j];
            word[j] = b;
        }
    }
}

// Checks a curve record against a buffer of size bytes.
bool checkRecord(const CurveRecord& curve, int index, const unsigned char* data, int size, Refusal& refusal)
{
    if (curve.nameOffset < 0 || curve.nameOffset >= size) {
        return refusal.set("curve %d: name offset %d lies outside the data", index, curve.nameOffset);
    }
    if (!std::memchr(data + curve.nameOffset, 0, size - curve.nameOffset)) {
        return refusal.set("curve %d: name at %d is not terminated", index, curve.nameOffset);
    }
    if (curve.valueCount < 0) return refusal.set("curve %d: negative value count %d", index, curve.valueCount);
    int64_t end = static_cast<int64_t>(curve.valuesOffset) + static_cast<int64_t>(curve.valueCount) * (curve.isShort ? 2 : 4);
    if (curve.valuesOffset < 0 || end > size) {
        return refusal.set("curve %d: %d values at offset %d lie outside the data", index, curve.valueCount,
                           curve.valuesOffset);
    }
    return true;
}

// Reads everything after the signature: header, curve records and the three
// blocks, checking each size, offset and count against the buffer before it
// is used. With swapBlocks the value blocks are reversed in place (the
// reader itself then swaps the header and records in place). records may be
// null. False, with the reason, when the data is refused.
bool readLayout(BReader& reader, unsigned char* data, int size, bool swapBlocks, Layout& layout,
                LDVector<CurveRecord>* records, Refusal& refusal)
{
    reader.skip(3);
    reader.readByte();
    reader.readBit(); // the byte order, which the caller takes from the byte
    reader.readByte();
    layout.version = static_cast<uint16_t>(reader.readShort());
    if (reader.getErrorCount() == 0 && layout.version > MAX_VERSION) {
        return refusal.set("invalid version %d", layout.version);
    }
    layout.fileSize = reader.readInt();
    reader.readShort();
    layout.fps = reader.readShort();
    layout.fadeIn = reader.readShort();
    layout.fadeOut = reader.readShort();
    layout.maxLength = reader.readInt();
    reader.readInt();
    reader.readInt();
    layout.curveCount = reader.readShort();
    reader.readShort();
    if (reader.getErrorCount() > 0) return refusal.set("the data ends inside the header (%d bytes)", size);
    if (layout.fps <= 0) return refusal.set("frames per second must be above 0 (%d)", layout.fps);
    if (layout.maxLength < 0) return refusal.set("negative frame count %d", layout.maxLength);
    if (layout.curveCount < 0) return refusal.set("negative curve count %d", layout.curveCount);
    if (static_cast<int64_t>(layout.curveCount) * RECORD_SIZE > reader.getBuffer().getRemaining()) {
        return refusal.set("%d curve records run past the end of the data", layout.curveCount);
    }

    for (int i = 0; i < layout.curveCount; ++i) {
        CurveRecord curve;
        curve.nameOffset = reader.readInt();
        curve.valuesOffset = reader.readInt();
        curve.isShort = reader.readBit();
        reader.readByte();
        curve.valueCount = reader.readShort();
        curve.minValue = reader.readFloat();
        curve.maxValue = reader.readFloat();
        if (!checkRecord(curve, i, data, size, refusal)) return false;
        if (records) records->push_back(curve);
    }

    // Names, float values, 16-bit values; each size counts its own 4 bytes.
    for (int block = 0; block < BLOCK_COUNT; ++block) {
        int blockSize = reader.readInt();
        if (reader.getErrorCount() > 0) return refusal.set("the data ends before block %d", block);
        if (blockSize < 4 || blockSize - 4 > reader.getBuffer().getRemaining()) {
            return refusal.set("block %d: size %d does not fit the data", block, blockSize);
        }
        int payload = blockSize - 4;
        unsigned char* at = data + reader.getBuffer().getOffset();
        if (swapBlocks && block == 1) reverseEach(at, payload / 4, 4);
        if (swapBlocks && block == 2) reverseEach(at, payload / 2, 2);
        reader.skip(payload);
    }
    if (reader.getErrorCount() > 0) return refusal.set("the data ends early");
    layout.endOffset = reader.getBuffer().getOffset();
    return true;
}

} // namespace

TavrixMotionBin::TavrixMotionBin()
    : buf(nullptr), bufType(0), motions(nullptr), motionCount(0), fps(30.0f), maxLength(0), loopDurationMSec(-1),
      loop(false), objectNo(staticObjectNo++), lastWeight(0.0f), memoryParam(nullptr), memoryHolder(nullptr)
{
    memoryParam = MemoryParam::newWithFixedHolder("TavrixMotion", MemoryHolderFixed::defaultPageSize, memoryHolder);
}

TavrixMotionBin::~TavrixMotionBin()
{
    for (int i = motionCount - 1; i >= 0; --i) delete motions[i];
    UtMemory::free_exe(motions);
    releaseBuffer();
    delete memoryParam;
    delete memoryHolder;
}

void TavrixMotionBin::releaseBuffer()
{
    switch (bufType) {
    case BUF_FREE: std::free(buf); break;
    case BUF_DELETE_ARRAY: delete[] buf; break;
    case BUF_DELETE: delete buf; break;
    case BUF_UT_MEMORY: UtMemory::free_exe(buf); break;
    case BUF_LOAD_FILE: UtFile::releaseLoadBuffer(buf); break;
    default: break;
    }
    buf = nullptr;
}

TavrixMotionBin* TavrixMotionBin::loadMotion(const LDString& path)
{
    UtDebug::clearLastErrorMessage();
    int size = 0;
    char* bytes = UtFile::loadFile(path, &size);
    if (!bytes) return nullptr;
    return loadMotion(bytes, size, BUF_LOAD_FILE);
}

TavrixMotionBin* TavrixMotionBin::loadMotion(char* bytes, int size, int bufType)
{
    UtDebug::clearLastErrorMessage();
    if (reinterpret_cast<uintptr_t>(bytes) % 4 != 0) UtDebug::error("load motion data ptr must be 4byte alligned.");
    TavrixMotionBin* motion = new (UtMemory::getTmpMemoryParam()) TavrixMotionBin();
    if (!motion || !motion->memoryParam) {
        UtDebug::error("out of memory @TavrixMotionBin#loadMotion()");
        delete motion;
        return nullptr;
    }
    if (!motion->takeBuffer(bytes, size, bufType) || !motion->load(size)) {
        delete motion;
        return nullptr;
    }
    return motion;
}

bool TavrixMotionBin::takeBuffer(char* bytes, int size, int type)
{
    if (type != BUF_COPY) {
        buf = bytes;
        bufType = type;
        return true;
    }
    if (!bytes || size < 0) return true; // refused by load
    buf = static_cast<char*>(UtMemory::malloc_exe(memoryParam, size > 0 ? size : 1));
    if (!buf) {
        UtDebug::error("out of memory copying %d bytes @TavrixMotionBin#loadMotion()", size);
        return false;
    }
    std::memcpy(buf, bytes, size);
    bufType = BUF_UT_MEMORY;
    return true;
}

bool TavrixMotionBin::load(int size)
{
    unsigned char* data = reinterpret_cast<unsigned char*>(buf);
    if (!data || size < 3 || std::memcmp(data, "mtb", 3) != 0) {
        UtDebug::error("invalid signature of file (.mtnb must have mtb or mtl)");
        return false;
    }
    bool fileBigEndian = size > FLAG_BYTE_OFFSET && (data[FLAG_BYTE_OFFSET] & BIG_ENDIAN_FLAG) != 0;

    // First a reading pass that writes nothing, so a refused buffer is left
    // as it came.
    Layout layout;
    Refusal refusal;
    LDVector<CurveRecord> records(UtMemory::getTmpMemoryParam());
    {
        BReader check(data, size);
        check.setEndian(fileBigEndian);
        if (!readLayout(check, data, size, false, layout, &records, refusal)) {
            UtDebug::error("%s @TavrixMotionBin#loadMotion()", refusal.text);
            return false;
        }
    }
    if (records.size() != layout.curveCount) {
        UtDebug::error("out of memory reading %d curves @TavrixMotionBin#loadMotion()", layout.curveCount);
        return false;
    }

    // Then, for a buffer in the other byte order, the same pass swapping in
    // place; the rewritten flag keeps a second load from swapping it back.
    bool hostBigEndian = UtSystem::isBigEndian();
    if (fileBigEndian != hostBigEndian) {
        data[FLAG_BYTE_OFFSET] = hostBigEndian ? (data[FLAG_BYTE_OFFSET] | BIG_ENDIAN_FLAG)
                                               : (data[FLAG_BYTE_OFFSET] & ~BIG_ENDIAN_FLAG);
        BReader swap(data, size);
        swap.setChangeEndian(true);
        swap.setEndian(fileBigEndian);
        Layout swapped;
        readLayout(swap, data, size, true, swapped, nullptr, refusal);
    }

    fps = static_cast<float>(layout.fps);
    if (layout.fadeIn >= 0) setFadeIn(layout.fadeIn);
    if (layout.fadeOut >= 0) setFadeOut(layout.fadeOut);
    maxLength = layout.maxLength;
    loopDurationMSec = UtMath::truncToIntSaturated(static_cast<float>(static_cast<int64_t>(maxLength) * 1000) / fps);

    motions = static_cast<MotionBin**>(
        UtMemory::malloc_exe(memoryParam, sizeof(MotionBin*) * (layout.curveCount > 0 ? layout.curveCount : 1)));
    if (!motions) {
        UtDebug::error("out of memory @TavrixMotionBin#loadMotion()");
        return false;
    }
    for (int i = 0; i < layout.curveCount; ++i) {
        const CurveRecord& curve = records[i];
        LDString* name = new (memoryParam) LDString(buf + curve.nameOffset, memoryParam);
        MotionBin* motion = name ? new (memoryParam) MotionBin(name, curve.isShort, data + curve.valuesOffset,
                                                               curve.valueCount, curve.minValue, curve.maxValue)
                                 : nullptr;
        if (!motion) {
            delete name;
            UtDebug::error("out of memory @TavrixMotionBin#loadMotion()");
            return false;
        }
        motions[motionCount++] = motion;
    }

    // Inconsistent but safe: reported, and the motion is kept.
    if (layout.endOffset != layout.fileSize) UtDebug::error("pointer position is wrong ");
    if (layout.fileSize != size) UtDebug::error("fileSize is wrong ");
    return true;
}

void TavrixMotionBin::updateParamExe(ATavrixModel* model, int64_t now, float weight, MotionQueueEnt* entry)
{
    int frame = 0;
    float frac = 0.0f;
    UtMotion::getPlaybackFrame(now - entry->getStartTimeMSec(), fps, &frame, &frac);
    for (int c = 0; c < motionCount; ++c) {
        MotionBin* curve = motions[c];
        int n = curve->getValueCount();
        if (n == 0) continue;
        int i = frame < n - 1 ? frame : n - 1;
        float next = curve->getValue(frame < n - 1 ? frame + 1 : n - 1);
        UtMotion::setCurveValue(model->getModelContext(), curve->getParamIndex(model), curve->getValue(i), next,
                                frac, weight);
    }
    if (frame >= maxLength) UtMotion::endOfFrames(entry, now, loop, true);
    lastWeight = weight;
}

void TavrixMotionBin::dump()
{
    for (int c = 0; c < motionCount; ++c) {
        MotionBin* curve = motions[c];
        float first[UtMotion::DUMP_VALUE_COUNT];
        int shown = 0;
        for (; shown < curve->getValueCount() && shown < UtMotion::DUMP_VALUE_COUNT; ++shown) {
            first[shown] = curve->getValue(shown);
        }
        UtMotion::dumpCurve(curve->getParamIDStr()->c_str(), curve->getValueCount(), first, shown);
    }
}

} // namespace tavrix
