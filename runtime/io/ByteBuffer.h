#pragma once

namespace tavrix {

// Byte reader of the model stream. For now only the host byte order it
// records at runtime start-up.
class ByteBuffer {
public:
    static void staticInit_notForClientCall();
    static bool isBigEndianSys;
};

} // namespace tavrix
