#include "Tavrix.h"

#include "id/ID.h"
#include "io/ByteBuffer.h"
#include "memory/UtMemory.h"
#include "util/Json.h"
#include "util/UtDebug.h"

namespace tavrix {

int Tavrix::initCount = 0;
bool Tavrix::flag_first_init = true;
bool Tavrix::flag_vertexDoubleBufferEnabled = false;
unsigned int Tavrix::lastError = 0;

static const char* const PLATFORM_NAME = "iPhone ES2";

void Tavrix::init(LDAllocator* allocator)
{
    ++initCount;
    if (initCount >= 2) {
        UtDebug::error("Tavrix::init() skipped , already initialized.");
        return;
    }
    if (initCount < 1) {
        UtDebug::error("Tavrix::init() skipped , wrong init count.");
        return;
    }

    UtMemory::staticInit_notForClientCall(allocator);
    if (flag_first_init) {
        flag_first_init = false;
        UtDebug::println("Tavrix version %s for %s", getVersionStr(), PLATFORM_NAME);
    }
    ID::staticInit_notForClientCall();
    ByteBuffer::staticInit_notForClientCall();
    Value::staticInit_notForClientCall();
}

void Tavrix::dispose()
{
    --initCount;
    if (initCount >= 1) {
        UtDebug::println("Tavrix::dispose() skipped , init count:%d.", initCount);
        return;
    }
    if (initCount == 0) {
        ID::staticRelease_notForClientCall();
        Value::staticRelease_notForClientCall();
        UtMemory::staticRelease_notForClientCall();
        return;
    }
    UtDebug::error("Tavrix::dispose() skipped , already disposed.");
}

unsigned int Tavrix::getError()
{
    unsigned int error = lastError;
    lastError = 0;
    return error;
}

const char* Tavrix::getErrorMessage()
{
    return UtDebug::getLastErrorMessage();
}

} // namespace tavrix
