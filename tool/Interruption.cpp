#include "Interruption.h"

namespace tavrix_tool {

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

} // namespace

Interruption::Interruption()
{
    interrupted = 0;
    previousInterrupt = std::signal(SIGINT, onInterrupt);
    previousTerminate = std::signal(SIGTERM, onInterrupt);
}

Interruption::~Interruption()
{
    std::signal(SIGINT, previousInterrupt);
    std::signal(SIGTERM, previousTerminate);
}

bool Interruption::requested() const { return interrupted != 0; }

} // namespace tavrix_tool
