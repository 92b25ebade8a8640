#include "Progress.h"

#include <unistd.h>

namespace tavrix_media {

Progress::Progress(const char* verb, int total, Verbosity verbosity, FILE* stream)
    : verb(verb), total(total), verbosity(verbosity), stream(stream),
      terminal(::isatty(::fileno(stream)) != 0), started(std::chrono::steady_clock::now())
{
}

void Progress::drawBar(int frame)
{
    const int width = 30;
    int filled = total > 0 ? done * width / total : width;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(width - filled), '.');
    std::fprintf(stream, "\r[%s] %d/%d frame %d", bar.c_str(), done, total, frame);
    std::fflush(stream);
    barShown = true;
}

void Progress::frameDone(int frame, const std::string& error)
{
    ++done;
    if (!error.empty()) {
        ++failed;
        if (barShown) std::fputc('\n', stream);
        barShown = false;
        std::fprintf(stream, "frame %d failed: %s\n", frame, error.c_str());
    }
    if (verbosity == Verbosity::QUIET) return;
    if (terminal && verbosity == Verbosity::NORMAL) {
        drawBar(frame);
    } else if (error.empty()) {
        std::fprintf(stream, "frame %d done (%d/%d)\n", frame, done, total);
    }
}

void Progress::finish(const std::string& destination)
{
    if (barShown) std::fputc('\n', stream);
    barShown = false;
    if (verbosity == Verbosity::QUIET && failed == 0) return;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(stream, "%s %d frame%s (%d failed) in %.2f s, %.1f frames/s -> %s\n", verb, done - failed,
                 done - failed == 1 ? "" : "s", failed, seconds, seconds > 0 ? done / seconds : 0.0,
                 destination.c_str());
}

} // namespace tavrix_media
