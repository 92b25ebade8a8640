#pragma once

#include <cstdarg>

namespace tavrix {

template <class T> class LDVector;

// The runtime's single diagnostics channel: everything goes to standard output.
class UtDebug {
public:
    // Numbered, framed error report.
    static void error(const char* format, ...) __attribute__((format(printf, 1, 2)));
    // Like error, followed by the source position; does not stop the program.
    static void assertF(const char* file, int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    static void print(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void println(const char* format, ...) __attribute__((format(printf, 1, 2)));
    static void dumpByte(const char* bytes, int n);
    static void printVectorUShort(const char* name, LDVector<unsigned short>* values, const char* suffix);
    // A hook for a debugger; does nothing.
    static void debugBreak() {}
    // Messages of any kind printed so far, so that a caller can tell
    // whether a piece of work printed any.
    static unsigned long getMessageCount() { return messageCount; }

private:
    static void printBannerStart();
    static int errorCount;
    static unsigned long messageCount;
};

} // namespace tavrix
