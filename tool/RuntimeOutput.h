// Keeps the runtime's diagnostics (printed on standard output) apart from the
// tool's own output.
#pragma once

#include <cstdio>
#include <string>

namespace tavrix_tool {

class RuntimeOutput {
public:
    // verbose: diagnostics go to standard error as they happen; otherwise
    // they are collected and only summarised on failure.
    explicit RuntimeOutput(bool verbose);
    ~RuntimeOutput();

    // Where the tool writes its results (the real standard output).
    FILE* out() const { return toolOut; }
    // The message of the last error report the runtime printed, on one line,
    // without its source tag; empty when there was none.
    std::string lastErrorMessage();

    RuntimeOutput(const RuntimeOutput&) = delete;
    RuntimeOutput& operator=(const RuntimeOutput&) = delete;

private:
    FILE* toolOut;
    FILE* collected;
    int savedStdout;
};

} // namespace tavrix_tool

namespace tavrix_tool {

// "PATH: cannot load model: result N, what it means: the runtime's last
// error message" (the message when there was one).
std::string describeLoadFailure(const std::string& modelPath, int result, RuntimeOutput& output);

} // namespace tavrix_tool
