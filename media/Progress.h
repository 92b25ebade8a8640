// Progress of a run over frames, on standard error: a bar that redraws
// itself on a terminal, one line per frame in a log, nothing when quiet; and
// a one-line summary at the end.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

namespace tavrix_media {

enum class Verbosity { QUIET, NORMAL, VERBOSE };

class Progress {
public:
    // verb names the work in the summary ("rendered", "played").
    Progress(const char* verb, int total, Verbosity verbosity, FILE* stream = stderr);

    // One frame finished; error is empty on success, else printed at once
    // (also when quiet).
    void frameDone(int frame, const std::string& error = std::string());
    // The summary line: frames done, failures, time, where the files went.
    void finish(const std::string& destination);

    int failures() const { return failed; }
    int completed() const { return done; }

private:
    void drawBar(int frame);

    const char* verb;
    int total;
    Verbosity verbosity;
    FILE* stream;
    bool terminal;
    int done = 0;
    int failed = 0;
    bool barShown = false;
    std::chrono::steady_clock::time_point started;
};

} // namespace tavrix_media
