// Ctrl+C, and the SIGTERM a batch scheduler sends before it takes the machine
// back, noted instead of ending the process while an Interruption lives, so
// that a long command stops between frames: what it wrote stays, and no file
// that looks finished is left half done.
#pragma once

#include <csignal>

namespace tavrix_tool {

class Interruption {
public:
    Interruption();
    // Restores the handlers found.
    ~Interruption();

    bool requested() const;

    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;

private:
    void (*previousInterrupt)(int);
    void (*previousTerminate)(int);
};

} // namespace tavrix_tool
