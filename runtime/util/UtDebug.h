#pragma once

#include <cstdarg>

namespace tavrix {

template <class T> class LDVector;

// The runtime's single diagnostics channel. Every piece of text the runtime
// writes goes through one sink, which a program sets: by default standard
// output, as a stand-alone program expects; a program whose standard output
// carries data of its own (a filter writing video, a plug-in inside another
// application) sends the text elsewhere or discards it.
//
// The sink is process-wide, like the rest of the runtime's static state,
// and is called on whatever thread is running the runtime at the time (the
// runtime is used by one thread at a time). A sink must not call back into
// the runtime.
class UtDebug {
public:
    // What a piece of text handed to the sink is.
    enum MessageKind {
        // A numbered, framed report of error or assertF, banners included.
        MESSAGE_ERROR,
        // Anything else: print, println, dumpByte, printVectorUShort.
        MESSAGE_TEXT
    };
    // Receives one call's text: length bytes at text (followed by a NUL),
    // exactly as the default sink writes them to standard output.
    typedef void (*Sink)(void* context, MessageKind kind, const char* text, int length);

    // Sends the runtime's text to sink, called with context, from now on (it
    // may precede Tavrix::init); null restores the default, standardOutputSink.
    static void setSink(Sink sink, void* context);
    // Ready-made sinks. Standard output is flushed after each piece, so that
    // the text keeps its place among what the program writes to its other
    // streams.
    static void standardOutputSink(void* context, MessageKind kind, const char* text, int length);
    static void standardErrorSink(void* context, MessageKind kind, const char* text, int length);
    static void discardingSink(void* context, MessageKind kind, const char* text, int length);

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

    // The message of the last error report (error or assertF) on one line:
    // the formatted text without banners, source position or the trailing
    // source tag its text may end with (" @Class#method()"), line breaks
    // turned into spaces, trailing spaces dropped. Kept whatever the sink
    // is; empty when there was none since clearLastErrorMessage. The text
    // stays valid until the next error report or clear.
    static const char* getLastErrorMessage();
    static void clearLastErrorMessage();

private:
    static void emit(MessageKind kind, const char* text, int length);
    static void keepLastErrorMessage(const char* message, int length);

    static int errorCount;
    static Sink sink;
    static void* sinkContext;
};

} // namespace tavrix
