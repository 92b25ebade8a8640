#pragma once

#include <cstdint>

namespace tavrix {

class UtSystem {
public:
    static bool isBigEndian();
    // Wall-clock milliseconds; the seconds are taken modulo 1,000,000.
    static int64_t getTimeMSec();
    // The user time when one is set, else the wall clock.
    static int64_t getUserTimeMSec();
    static void setUserTimeMSec(int64_t t) { userTimeMSec = t; }
    static int64_t updateUserTimeMSec();
    static void resetUserTimeMSec() { userTimeMSec = -1; }
    static void exit(int status);

private:
    static int64_t userTimeMSec;
};

} // namespace tavrix
