#include "util/UtSystem.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/time.h>

namespace tavrix {

int64_t UtSystem::userTimeMSec = -1;

bool UtSystem::isBigEndian()
{
    const uint16_t probe = 1;
    uint8_t first;
    std::memcpy(&first, &probe, 1);
    return first == 0;
}

int64_t UtSystem::getTimeMSec()
{
    struct timeval now;
    gettimeofday(&now, nullptr);
    return static_cast<int64_t>(((now.tv_sec % 1000000) + now.tv_usec * 1e-6) * 1000);
}

int64_t UtSystem::getUserTimeMSec()
{
    return userTimeMSec == -1 ? getTimeMSec() : userTimeMSec;
}

int64_t UtSystem::updateUserTimeMSec()
{
    userTimeMSec = getTimeMSec();
    return userTimeMSec;
}

void UtSystem::exit(int status)
{
    std::fflush(stdout);
    std::exit(status);
}

} // namespace tavrix
