#include "io/ByteBuffer.h"

#include "util/UtSystem.h"

namespace tavrix {

bool ByteBuffer::isBigEndianSys = false;

void ByteBuffer::staticInit_notForClientCall()
{
    isBigEndianSys = UtSystem::isBigEndian();
}

} // namespace tavrix
