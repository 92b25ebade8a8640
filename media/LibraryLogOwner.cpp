#include "LibraryLogOwner.h"

#include <atomic>

namespace tavrix_media {

namespace {

std::atomic<bool> leftToHost{false};

} // namespace

void leaveLibraryLogToHost()
{
    leftToHost = true;
}

bool libraryLogLeftToHost()
{
    return leftToHost;
}

} // namespace tavrix_media
