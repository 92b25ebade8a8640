#pragma once

namespace tavrix {

class LDAllocator;

// Entries of a model context's pivot combination table: up to 64
// combinations (six parameters between pivots) plus the terminator.
constexpr int PIVOT_TABLE_SIZE = 65;

// Start-up, release, version facts and the last load error of the runtime.
class Tavrix {
public:
    // Every init needs its own dispose; only the first starts the runtime.
    static void init(LDAllocator* allocator = nullptr);
    static void dispose();

    // The last stored load result; reading it resets it to 0.
    static unsigned int getError();
    static void setError(unsigned int error) { lastError = error; }
    // What the runtime said about the last failure, for a program to show
    // beside the result of getError: the message of the runtime's last error
    // report on one line, without its source tag (see
    // UtDebug::getLastErrorMessage), whatever sink the runtime's text goes to
    // (UtDebug::setSink). Loading a model or a motion clears it first, so
    // after a failed load it is that load's message or empty, never one left
    // from an earlier failure; reading it clears nothing. The text stays
    // valid until the next error report or load.
    static const char* getErrorMessage();

    static const char* getVersionStr() { return "2.0.06"; }
    static int getVersionNo() { return 200040000; }
    static bool getBuildOption_RANGE_CHECK_POINT() { return true; }
    static bool getBuildOption_AVATAR_OPTION_A() { return true; }
    static bool isVertexDoubleBufferEnabled() { return flag_vertexDoubleBufferEnabled; }
    static int getInitCount() { return initCount; }

private:
    static int initCount;
    static bool flag_first_init;
    static bool flag_vertexDoubleBufferEnabled;
    static unsigned int lastError;
};

} // namespace tavrix
